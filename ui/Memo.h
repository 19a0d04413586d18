// The read-only text view. It keeps its text as UTF-8 bytes with CR LF
// line breaks and maps the view's positions (UTF-16 code units) back to
// indexes into those bytes (the view turns each line break into one
// separator).
#pragma once

#include "ui/Controls.h"

#include <QPlainTextEdit>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent);

    // The text as it was set, up to a zero byte (as an edit control keeps it).
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    std::string SelText() const;
    // The index into Text() where the selection begins.
    std::size_t SelStart() const;
    // Selects Text()[begin, end).
    void Select(std::size_t begin, std::size_t end);
    // The 0-based index into Text() of the character under a point of the
    // viewport; past the end of a line, the line break's index; past the
    // end of the text, its length.
    std::size_t CharFromPos(QPoint point) const;

signals:
    void clicked();
    void doubleClicked();
    void mouseMoved(TShiftState shift, int x, int y);
    // Space with the end of the text in view (else Space scrolls a page).
    void spaceAtEnd();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The frame shows the focus with the highlight colour.
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::size_t TextIndex(int position) const;
    // The bytes of a line of the view, its break included.
    std::string_view Line(std::size_t number) const;
    int Position(std::size_t index) const;

    std::string text_;
    std::vector<std::size_t> blockStarts_;  // index into text_ of each line's first byte
};
