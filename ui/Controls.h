// Small controls of the main window that Qt has no exact match for: a
// panel with a caption at its top, a splitter bar, a self-sizing label
// and the channel list box.
#pragma once

#include <QAbstractScrollArea>
#include <QLabel>
#include <QListWidget>
#include <QWidget>

#include <string>
#include <vector>

// The state of the shift keys and mouse buttons during a mouse event.
struct TShiftState {
    Qt::KeyboardModifiers keys;
    Qt::MouseButtons buttons;
};

class TPanel : public QWidget {
    Q_OBJECT
public:
    TPanel(const QString& caption, Qt::Alignment captionAlignment, QWidget* parent);
    int BorderWidth() const { return 4; }
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption) {
        caption_ = caption;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    Qt::Alignment alignment_;
};

// A vertical bar that the user drags to change the width of the control
// docked left of it. Reports the new width; the owner does the docking.
class TSplitter : public QWidget {
    Q_OBJECT
public:
    TSplitter(QWidget* control, QWidget* parent);
    // The right side keeps at least this much of the parent's width.
    void SetMinRightSize(int size) { minRight_ = size; }
    int MinRightSize() const { return minRight_; }

signals:
    void moved(int newControlWidth);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* control_;
    int minRight_ = 30;
    int grabX_ = -1;
};

// A label that sizes itself to its caption when AutoSize is on. A
// right-justified one keeps its right edge and grows to the left.
class TLabel : public QLabel {
    Q_OBJECT
public:
    TLabel(const QString& caption, QWidget* parent, bool autoSize = true,
           Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    void SetCaption(const QString& caption);

signals:
    // A click, or Space or Enter while the label has the focus (a label
    // that takes the focus shows it with a focus frame).
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool autoSize_;
};

// Shift+F10 and the Menu key ask for the context menu of a scroll area (a
// list, a text view) at its current place; true when the key was one of them.
bool OpenContextMenuByKey(QAbstractScrollArea* area, QKeyEvent* event, QPoint viewportPos);

// A list of Windows-1250 entries, shown converted. Several entries may be
// selected; a right click opens the context menu without touching the
// selection. An entry cut at the list's edge shows its whole text as a
// tooltip, wrapped to a few lines when it is long.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent);
    int Count() const { return count(); }
    std::string Items(int index) const;
    std::vector<std::string> AllItems() const;
    void Add(const std::string& text);
    // The entry becomes text, shown as it is until SetShown.
    void SetItem(int index, const std::string& text);
    // Adds the entries at the end in one step (an import of thousands).
    void AddMany(const std::vector<std::string>& texts);
    void Insert(int index, const std::string& text);
    void SetItems(const std::vector<std::string>& items);
    bool Selected(int index) const;
    void Delete(int index);
    // The entry with the focus mark, -1 when there is none.
    int ItemIndex() const { return currentRow(); }

    // Makes the entry the only selected one and scrolls it into view.
    void SelectOnly(int index);
    // Shows the entry as text, in bold or not, with the tooltip (empty: the
    // text when it is cut); Items() still gives what was added.
    void SetShown(int index, const QString& text, bool bold, const QString& tooltip);

signals:
    // A double click on an entry, or Return or Enter on the current entry
    // while it is selected.
    void dblClick();
    // The Delete key.
    void deletePressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};
