#include "ui/Controls.h"

#include "ui/QtText.h"

#include "base/Exceptions.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QToolTip>

#include <algorithm>

TPanel::TPanel(const QString& caption, Qt::Alignment captionAlignment, QWidget* parent)
    : QWidget(parent), caption_(caption), alignment_(captionAlignment) {}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = rect().adjusted(BorderWidth(), BorderWidth(), -BorderWidth(), -BorderWidth());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, int(alignment_ | Qt::AlignTop) | Qt::TextSingleLine, caption_);
}

TSplitter::TSplitter(QWidget* control, QWidget* parent) : QWidget(parent), control_(control) {
    setCursor(Qt::SplitHCursor);
}

void TSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        grabX_ = event->position().toPoint().x();
}

void TSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (grabX_ < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    int wanted = mapToParent(event->position().toPoint()).x() - grabX_ - control_->x();
    int most = parentWidget()->width() - width() - minRight_ - control_->x();
    int width = std::max(control_->minimumWidth(), std::min(wanted, most));
    if (width != control_->width())
        emit moved(width);
}

void TSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        grabX_ = -1;
}

TLabel::TLabel(const QString& caption, QWidget* parent, bool autoSize, Qt::Alignment alignment)
    : QLabel(caption, parent), autoSize_(autoSize) {
    setAlignment(alignment);
}

void TLabel::SetCaption(const QString& caption) {
    setText(caption);
    if (!autoSize_)
        return;
    int right = x() + width();
    resize(sizeHint().width(), height());
    if (alignment() & Qt::AlignRight)
        move(right - width(), y());
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit clicked();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.state |= QStyle::State_KeyboardFocusChange;
    frame.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

bool OpenContextMenuByKey(QAbstractScrollArea* area, QKeyEvent* event, QPoint viewportPos) {
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (!shiftF10 && event->key() != Qt::Key_Menu)
        return false;
    QWidget* viewport = area->viewport();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, viewportPos, viewport->mapToGlobal(viewportPos));
    QCoreApplication::sendEvent(viewport, &menu);
    event->accept();
    return true;
}

namespace {

constexpr int kEntryBytes = Qt::UserRole;

// Entries are 16 pixels high whatever the style would make them, and cut
// at the list's edge like a list box's: no ellipsis, no horizontal scroll.
// Only the beginning of an entry that can show is laid out, so a line of
// megabytes costs no more than a short one.
class ListEntryDelegate : public QStyledItemDelegate {
public:
    ListEntryDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return {1, height_}; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem entry = option;
        initStyleOption(&entry, index);
        // No character is narrower than a pixel, bar marks that combine
        // with the one before them.
        const qsizetype visible = 2 * static_cast<qsizetype>(std::max(0, option.rect.width())) + 8;
        if (entry.text.size() > visible)
            entry.text.truncate(visible);
        entry.textElideMode = Qt::ElideNone;
        painter->save();
        painter->setClipRect(option.rect);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &entry, painter, widget);
        painter->restore();
    }

private:
    int height_;
};

}  // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new ListEntryDelegate(16, this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

std::string TListBox::Items(int index) const {
    if (index < 0 || index >= count())
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    QByteArray bytes = item(index)->data(kEntryBytes).toByteArray();
    return bytes.toStdString();
}

std::vector<std::string> TListBox::AllItems() const {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i)
        items.push_back(Items(i));
    return items;
}

void TListBox::Add(const std::string& text) {
    auto* entry = new QListWidgetItem(ToQString(text));
    entry->setData(kEntryBytes, QByteArray::fromStdString(text));
    addItem(entry);
}

void TListBox::AddMany(const std::vector<std::string>& texts) {
    setUpdatesEnabled(false);
    for (const auto& text : texts)
        Add(text);
    setUpdatesEnabled(true);
}

void TListBox::Insert(int index, const std::string& text) {
    auto* entry = new QListWidgetItem(ToQString(text));
    entry->setData(kEntryBytes, QByteArray::fromStdString(text));
    insertItem(index, entry);
}

void TListBox::SetItem(int index, const std::string& text) {
    if (QListWidgetItem* entry = item(index)) {
        entry->setText(ToQString(text));
        entry->setData(kEntryBytes, QByteArray::fromStdString(text));
    }
}

void TListBox::SetItems(const std::vector<std::string>& items) {
    setUpdatesEnabled(false);
    clear();
    for (const auto& text : items)
        Add(text);
    setUpdatesEnabled(true);
}

bool TListBox::Selected(int index) const { return item(index)->isSelected(); }

void TListBox::Delete(int index) { delete takeItem(index); }

void TListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    // Below the entries there is nothing to open.
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit dblClick();
}

void TListBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // A current entry that a click on blank space unselected is not the
        // one the user sees marked.
        if (currentItem() && currentItem()->isSelected())
            emit dblClick();
        event->accept();
        return;
    }
    if (key == Qt::Key_Delete) {
        emit deletePressed();
        event->accept();
        return;
    }
    const QPoint at = currentItem() ? visualItemRect(currentItem()).center() : QPoint(4, 4);
    if (!OpenContextMenuByKey(this, event, at))
        QListWidget::keyPressEvent(event);
}

namespace {

// A tooltip that wraps: rich text, which a tooltip wraps to its width at
// spaces; a long run without one (an address) may also break after its
// punctuation ("/", "?", "&", ...). Its own line breaks stay.
QString WrappingToolTip(const QString& text) {
    constexpr int kLongRun = 24;
    QString breakable = "<qt>";
    breakable.reserve(text.size() * 2 + 10);
    int run = 0;
    for (const QChar c : text) {
        if (c == '\n') {
            breakable += "<br>";
            run = 0;
            continue;
        }
        breakable += QString(c).toHtmlEscaped();
        run = c.isSpace() ? 0 : run + 1;
        if (run >= kLongRun && QString("/?&=.-_:#").contains(c))
            breakable += QChar(0x200B);
    }
    return breakable + "</qt>";
}

}  // namespace

bool TListBox::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QListWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QListWidgetItem* entry = itemAt(help->pos());
    const QRect place = entry ? visualItemRect(entry) : QRect();
    if (entry && !entry->toolTip().isEmpty())
        QToolTip::showText(help->globalPos(), WrappingToolTip(entry->toolTip()), viewport(), place);
    else if (entry && fontMetrics().horizontalAdvance(entry->text()) + 4 > place.width())
        QToolTip::showText(help->globalPos(), WrappingToolTip(entry->text()), viewport(), place);
    else
        QToolTip::hideText();
    return true;
}

void TListBox::SetShown(int index, const QString& text, bool bold, const QString& tooltip) {
    QListWidgetItem* entry = item(index);
    if (!entry)
        return;
    if (entry->text() != text)
        entry->setText(text);
    if (entry->font().bold() != bold) {
        QFont look = font();
        look.setBold(bold);
        entry->setFont(look);
    }
    if (entry->toolTip() != tooltip)
        entry->setToolTip(tooltip);
}

void TListBox::SelectOnly(int index) {
    QListWidgetItem* entry = item(index);
    if (!entry)
        return;
    setCurrentItem(entry, QItemSelectionModel::ClearAndSelect);
    scrollToItem(entry);
}
