#include "ui/Memo.h"

#include "feed/Decode.h"
#include "ui/ItemDocument.h"
#include "ui/QtText.h"

#include <QAbstractTextDocumentLayout>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>

#include <algorithm>
#include <utility>

TMemo::TMemo(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setMouseTracking(true);
    blockStarts_.push_back(0);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& anchor) {
        const int index = LinkIndex(anchor);
        if (index >= 0 && static_cast<std::size_t>(index) < links_.size())
            emit linkOpened(links_[static_cast<std::size_t>(index)]);
    });
}

void TMemo::Replace(QTextDocument* document) {
    // The view's first document is its own to delete; later ones are ours.
    QTextDocument* old = this->document()->parent() == this ? this->document() : nullptr;
    document->setParent(this);
    document->setUndoRedoEnabled(false);
    setDocument(document);
    // The wrapping is the document's; a new one has the default.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    delete old;
}

void TMemo::SetText(std::string text) {
    item_.reset();
    links_.clear();
    text.resize(std::min(text.size(), text.find('\0')));
    // Malformed bytes are made U+FFFD here, as the view would show them, so
    // that the view's positions map back onto these bytes.
    if (IsValidUtf8(text)) {
        text_ = std::move(text);
    } else {
        text_.assign(text.size() * 3, '\0');
        bool wellFormed = true;
        text_.resize(
            static_cast<std::size_t>(DecodeUtf8(text, text_.data(), false, wellFormed) - text_.data()));
    }
    // Line breaks as the view counts them: CR LF, a lone CR, a lone LF, and
    // the paragraph separator U+2029.
    constexpr std::string_view kParagraphSeparator = "\xE2\x80\xA9";
    blockStarts_.assign(1, 0);
    for (std::size_t i = 0; i < text_.size();) {
        if (std::string_view(text_).substr(i, 3) == kParagraphSeparator) {
            i += 3;
            blockStarts_.push_back(i);
            continue;
        }
        char c = text_[i++];
        if (c == '\r' && i < text_.size() && text_[i] == '\n')
            ++i;
        if (c == '\r' || c == '\n')
            blockStarts_.push_back(i);
    }
    auto* document = new QTextDocument(this);
    document->setDefaultFont(font());
    document->setPlainText(ToQString(text_));
    Replace(document);
}

void TMemo::ShowItem(TItemText item) {
    item_ = std::move(item);
    Show();
}

void TMemo::SetPlainMode(bool plain) {
    plain_ = plain;
    if (item_)
        Show();
}

void TMemo::Show() {
    if (plain_) {
        std::optional<TItemText> item = std::move(item_);
        SetText(ItemPlainText(*item));
        item_ = std::move(item);
        return;
    }
    TItemDocument built = BuildItemDocument(*item_, font(), palette());
    links_ = std::move(built.Links);
    Replace(built.Document.release());
    MapBlocks();
}

void TMemo::MapBlocks() {
    text_.clear();
    blockStarts_.clear();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (!blockStarts_.empty())
            text_ += "\r\n";
        blockStarts_.push_back(text_.size());
        text_ += FromQString(block.text());
    }
    if (blockStarts_.empty())
        blockStarts_.push_back(0);
}

std::string_view TMemo::Line(std::size_t number) const {
    const std::size_t begin = blockStarts_[number];
    const std::size_t end = number + 1 < blockStarts_.size() ? blockStarts_[number + 1] : text_.size();
    return std::string_view(text_).substr(begin, end - begin);
}

std::size_t TMemo::TextIndex(int position) const {
    QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return text_.size();
    auto number = static_cast<std::size_t>(block.blockNumber());
    if (number >= blockStarts_.size())
        return text_.size();
    const auto units = static_cast<std::size_t>(std::max(0, position - block.position()));
    return std::min(text_.size(), blockStarts_[number] + Utf8Prefix(Line(number), units));
}

int TMemo::Position(std::size_t index) const {
    auto next = std::upper_bound(blockStarts_.begin(), blockStarts_.end(), index);
    auto number = static_cast<int>(next - blockStarts_.begin()) - 1;
    QTextBlock block = document()->findBlockByNumber(number);
    if (!block.isValid())
        return document()->characterCount() - 1;
    // An index inside a line break stands for the break itself.
    const std::size_t start = blockStarts_[static_cast<std::size_t>(number)];
    const std::size_t units = Utf16Length(std::string_view(text_).substr(start, index - start));
    auto offset = std::min<std::size_t>(units, static_cast<std::size_t>(block.length() - 1));
    return block.position() + static_cast<int>(offset);
}

std::string TMemo::SelText() const {
    QTextCursor cursor = textCursor();
    std::size_t begin = TextIndex(cursor.selectionStart());
    std::size_t end = TextIndex(cursor.selectionEnd());
    return text_.substr(begin, end - begin);
}

std::size_t TMemo::SelStart() const { return TextIndex(textCursor().selectionStart()); }

void TMemo::Select(std::size_t begin, std::size_t end) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(Position(begin));
    cursor.setPosition(Position(end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

std::size_t TMemo::CharFromPos(QPoint point) const {
    // cursorForPosition() gives the nearest caret boundary, which on the
    // right half of a glyph is one character too far; the line itself
    // answers which character the point is on.
    QTextBlock block = cursorForPosition(point).block();
    const QTextLayout* layout = block.layout();
    if (!block.isValid() || !layout || layout->lineCount() == 0)
        return TextIndex(cursorForPosition(point).position());
    const QPointF inDocument =
        QPointF(point) + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    QPointF local = inDocument - document()->documentLayout()->blockBoundingRect(block).topLeft();
    QTextLine line = layout->lineAt(layout->lineCount() - 1);
    for (int i = 0; i < layout->lineCount(); ++i) {
        QTextLine candidate = layout->lineAt(i);
        if (local.y() < candidate.y() + candidate.height()) {
            line = candidate;
            break;
        }
    }
    int inBlock = line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
    return TextIndex(block.position() + inBlock);
}

std::string TMemo::LinkAt(QPoint point) const {
    const int index = LinkIndex(QUrl(anchorAt(point)));
    return index >= 0 && static_cast<std::size_t>(index) < links_.size()
               ? links_[static_cast<std::size_t>(index)]
               : std::string();
}

QVariant TMemo::loadResource(int, const QUrl&) { return {}; }

QMimeData* TMemo::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(textCursor().selection().toPlainText());
    return data;
}

void TMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (std::exchange(swallowRelease_, false) && event->button() == Qt::LeftButton)
        event->accept();
    else
        QTextBrowser::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

// Qt would select a word by its own rules, which stop at ":" and "/";
// the run of characters between delimiters is selected instead.
void TMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QTextBrowser::mouseDoubleClickEvent(event);
        return;
    }
    if (!LinkAt(event->position().toPoint()).empty()) {
        swallowRelease_ = true;
        event->accept();
        return;
    }
    auto [begin, end] = WordBoundsAt(text_, CharFromPos(event->position().toPoint()) + 1);
    Select(begin, end);
    emit doubleClicked();
}

void TMemo::mouseMoveEvent(QMouseEvent* event) {
    QTextBrowser::mouseMoveEvent(event);
    QPoint p = event->position().toPoint();
    emit mouseMoved(TShiftState{event->modifiers(), event->buttons()}, p.x(), p.y());
}

void TMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        QScrollBar* bar = verticalScrollBar();
        if (bar->value() >= bar->maximum())
            emit spaceAtEnd();
        else
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        event->accept();
        return;
    }
    // Also without the keyboard selection of an editor.
    if (event == QKeySequence::SelectAll) {
        selectAll();
        event->accept();
        return;
    }
    if (event == QKeySequence::Copy) {
        copy();
        event->accept();
        return;
    }
    if (!OpenContextMenuByKey(this, event, cursorRect().center()))
        QTextBrowser::keyPressEvent(event);
}

bool TMemo::event(QEvent* event) {
    const bool handled = QTextBrowser::event(event);
    if (event->type() == QEvent::Paint && hasFocus()) {
        // Over the frame that the base class has just drawn.
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    return handled;
}

bool TMemo::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTextBrowser::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const std::string link = LinkAt(help->pos()); !link.empty())
        QToolTip::showText(help->globalPos(), ToQString(link), viewport());
    else
        QToolTip::hideText();
    return true;
}

void TMemo::focusInEvent(QFocusEvent* event) {
    QTextBrowser::focusInEvent(event);
    update();
}

void TMemo::focusOutEvent(QFocusEvent* event) {
    QTextBrowser::focusOutEvent(event);
    update();
}
