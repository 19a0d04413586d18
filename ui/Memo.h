// The read-only text view. It shows an item as formatted text (or as plain
// text, when the user chose so) or a text as it is, and keeps what it shows
// as UTF-8 bytes with CR LF line breaks, mapping the view's positions
// (UTF-16 code units) back to indexes into those bytes (the view turns each
// line break into one separator). Links of an item go out through
// linkOpened, never into the view; nothing is loaded from anywhere.
#pragma once

#include "ui/Controls.h"
#include "ui/MessageText.h"

#include <QTextBrowser>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TMemo : public QTextBrowser {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent);

    // The text as shown, up to a zero byte (as an edit control keeps it):
    // what was set, or the item's lines.
    const std::string& Text() const { return text_; }
    // Shows the text as it is; no item is shown then.
    void SetText(std::string text);
    // Shows the item, formatted or in plain text (ItemPlainText).
    void ShowItem(TItemText item);
    // The item on show; none after SetText.
    const std::optional<TItemText>& ShownItem() const { return item_; }
    bool PlainMode() const { return plain_; }
    // Shows the item on show again in the other mode.
    void SetPlainMode(bool plain);

    std::string SelText() const;
    // The index into Text() where the selection begins.
    std::size_t SelStart() const;
    // Selects Text()[begin, end).
    void Select(std::size_t begin, std::size_t end);
    // The 0-based index into Text() of the character under a point of the
    // viewport; past the end of a line, the line break's index; past the
    // end of the text, its length.
    std::size_t CharFromPos(QPoint point) const;
    // The address of the link under a point of the viewport; "" over none.
    std::string LinkAt(QPoint point) const;

signals:
    void clicked();
    void doubleClicked();
    void mouseMoved(TShiftState shift, int x, int y);
    // Space with the end of the text in view (else Space scrolls a page).
    void spaceAtEnd();
    // A link of the item was clicked, or focused with Tab and given Return.
    void linkOpened(const std::string& address);

protected:
    // Nothing is loaded: no image, style sheet or page.
    QVariant loadResource(int type, const QUrl& name) override;
    // The selection is copied as plain text (the anchors are the view's own).
    QMimeData* createMimeDataFromSelection() const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The frame shows the focus with the highlight colour.
    bool event(QEvent* event) override;
    // A link's address as its tooltip, only over the link itself (the
    // toolkit's own tooltips take the nearest character, also far below).
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // A new document takes the old one's place; the view owns it.
    void Replace(QTextDocument* document);
    void Show();
    // text_ and blockStarts_ from the document's blocks.
    void MapBlocks();
    std::size_t TextIndex(int position) const;
    // The bytes of a line of the view, its break included.
    std::string_view Line(std::size_t number) const;
    int Position(std::size_t index) const;

    std::string text_;
    std::vector<std::size_t> blockStarts_;  // index into text_ of each line's first byte
    std::optional<TItemText> item_;
    bool plain_ = false;
    std::vector<std::string> links_;  // the addresses of the item's anchors
    // A double click on a link: the click before it opened the link, and
    // its release must not open it again.
    bool swallowRelease_ = false;
};
