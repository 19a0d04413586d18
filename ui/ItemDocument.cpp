#include "ui/ItemDocument.h"

#include "feed/HtmlLink.h"
#include "feed/HtmlText.h"
#include "ui/QtText.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace {

constexpr char kLinkScheme[] = "item-link";

// Where the bare web address that begins at or after from lies in a text,
// as [first, second); {npos, npos} when none does. Punctuation that ends
// a sentence is not part of it, nor a closing bracket it does not open.
std::pair<std::size_t, std::size_t> BareAddress(std::string_view text, std::size_t from) {
    constexpr auto npos = std::string_view::npos;
    for (std::size_t i = text.find("http", from); i != npos; i = text.find("http", i + 4)) {
        const std::string_view rest = text.substr(i);
        const std::size_t scheme = rest.starts_with("http://") ? 7 : rest.starts_with("https://") ? 8 : 0;
        const auto letter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
        if (scheme == 0 || (i > 0 && (letter(text[i - 1]) || text[i - 1] == '/')))
            continue;
        std::size_t end = i + scheme;
        while (end < text.size() && static_cast<unsigned char>(text[end]) > 0x20 && text[end] != '<' &&
               text[end] != '>' && text[end] != '"' && text.substr(end, 2) != "\xC2\xA0")
            ++end;
        const std::string_view address = text.substr(i, end - i);
        while (end > i + scheme) {
            const char last = text[end - 1];
            const bool opened =
                (last == ')' && address.find('(') != npos) || (last == ']' && address.find('[') != npos);
            if (std::string_view(".,;:!?'\")]}").find(last) == npos || opened)
                break;
            --end;
        }
        if (end > i + scheme)
            return {i, end};
    }
    return {npos, npos};
}

QColor Mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

class TBuilder {
public:
    TBuilder(const QFont& font, const QPalette& palette)
        : font_(font), palette_(palette), document_(std::make_unique<QTextDocument>()),
          cursor_(document_.get()) {
        document_->setUndoRedoEnabled(false);
        document_->setDefaultFont(font);
        const QFontMetricsF metrics(font);
        em_ = metrics.height();
        gap_ = std::round(em_ * 0.6);
        listStep_ = std::round(em_ * 1.6);
        quoteStep_ = std::round(em_ * 1.4);
        muted_ = Mix(palette.color(QPalette::Text), palette.color(QPalette::Base), 0.6);
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        monoFamilies_ = QStringList{fixed.family(), "monospace"};
    }

    TItemDocument Build(const TItemText& item) {
        // One edit for the whole: the document settles once.
        cursor_.beginEditBlock();
        if (!item.Title.empty()) {
            QTextCharFormat title;
            title.setFont(Scaled(1.4), QTextCharFormat::FontPropertiesSpecifiedOnly);
            title.setFontWeight(QFont::Bold);
            QTextBlockFormat block;
            block.setBottomMargin(std::round(em_ * 0.2));
            NewBlock(block, title);
            cursor_.insertText(ToQString(item.Title), title);
        }
        if (!item.Date.empty()) {
            QTextCharFormat date;
            date.setForeground(muted_);
            NewBlock(QTextBlockFormat(), date);
            cursor_.insertText(ToQString(item.Date), date);
        }
        descriptionStart_ = true;
        const THtmlText html = ReadHtmlText(item.Description, item.Link);
        for (std::size_t i = 0; i < html.Blocks.size();) {
            if (html.Blocks[i].Table != 0) {
                i = Table(html, i);
                continue;
            }
            Block(html, html.Blocks[i]);
            ++i;
        }
        if (!item.Link.empty()) {
            QTextBlockFormat block;
            block.setTopMargin(gap_ * 1.5);
            NewBlock(block, QTextCharFormat());
            AddAddress(item.Link, std::string_view(item.Link));
        }
        for (const TItemEnclosure& enclosure : item.Enclosures) {
            NewBlock(QTextBlockFormat(), QTextCharFormat());
            const std::string line = EnclosureLine(enclosure.Url, enclosure.Type, enclosure.Length);
            const std::string_view label =
                std::string_view(line).substr(0, line.size() - enclosure.Url.size());
            cursor_.insertText(ToQString(label), QTextCharFormat());
            AddAddress(enclosure.Url, enclosure.Url);
        }
        cursor_.endEditBlock();
        return {std::move(document_), std::move(links_)};
    }

private:
    QFont Scaled(double factor) const {
        QFont scaled = font_;
        if (font_.pixelSize() > 0)
            scaled.setPixelSize(static_cast<int>(std::lround(font_.pixelSize() * factor)));
        else
            scaled.setPointSizeF(font_.pointSizeF() * factor);
        return scaled;
    }

    // The next block: the empty one the cursor stands in (the document's
    // first, the one after a table), or a new one.
    void NewBlock(const QTextBlockFormat& block, const QTextCharFormat& chars) {
        if (std::exchange(fresh_, false)) {
            cursor_.setBlockFormat(block);
            cursor_.setBlockCharFormat(chars);
        } else {
            cursor_.insertBlock(block, chars);
        }
    }

    // A web address as a link when it is one, else as text.
    void AddAddress(const std::string& address, std::string_view shown) {
        if (ResolveLink(address, {}) != address) {
            cursor_.insertText(ToQString(shown), QTextCharFormat());
            return;
        }
        cursor_.insertText(ToQString(shown), LinkFormat(QTextCharFormat(), address));
    }

    // The text, with its bare web addresses as links.
    void InsertText(QTextCursor& cursor, std::string_view text, const QTextCharFormat& format) {
        std::size_t at = 0;
        for (auto [first, end] = BareAddress(text, 0); first != std::string_view::npos;
             std::tie(first, end) = BareAddress(text, end)) {
            if (first > at)
                cursor.insertText(ToQString(text.substr(at, first - at)), format);
            cursor.insertText(ToQString(text.substr(first, end - first)),
                              LinkFormat(format, std::string(text.substr(first, end - first))));
            at = end;
        }
        if (at < text.size())
            cursor.insertText(ToQString(text.substr(at)), format);
    }

    QTextCharFormat LinkFormat(QTextCharFormat format, const std::string& address) {
        format.setAnchor(true);
        format.setAnchorHref(LinkAnchor(links_.size()));
        format.setForeground(palette_.color(QPalette::Link));
        format.setFontUnderline(true);
        links_.push_back(address);
        return format;
    }

    QTextBlockFormat BlockFormat(const THtmlBlock& block, bool first) const {
        QTextBlockFormat format;
        // The description keeps a space from the date above it.
        if (block.Gap || first)
            format.setTopMargin(gap_);
        const double left = block.Indent * listStep_ + block.Quote * quoteStep_;
        format.setLeftMargin(left);
        if (!block.Marker.empty()) {
            const double marker = QFontMetricsF(font_).horizontalAdvance(ToQString(block.Marker) + ' ');
            format.setTextIndent(-std::min(marker, left));
        }
        if (block.Kind == THtmlBlockKind::bkPre)
            format.setBackground(palette_.color(QPalette::AlternateBase));
        if (block.Kind == THtmlBlockKind::bkRule)
            format.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                               QTextLength(QTextLength::PercentageLength, 100));
        return format;
    }

    QTextCharFormat BaseFormat(const THtmlBlock& block) const {
        QTextCharFormat format;
        if (block.Kind == THtmlBlockKind::bkHeading) {
            static constexpr double kScale[] = {1.0, 1.3, 1.2, 1.1, 1.0, 1.0, 1.0};
            format.setFont(Scaled(kScale[std::min<int>(block.Heading, 6)]),
                           QTextCharFormat::FontPropertiesSpecifiedOnly);
            format.setFontWeight(QFont::Bold);
        }
        if (block.Kind == THtmlBlockKind::bkPre)
            format.setFontFamilies(monoFamilies_);
        if (block.HeaderCell)
            format.setFontWeight(QFont::Bold);
        if (block.Quote > 0)
            format.setForeground(muted_);
        return format;
    }

    // The block's text with its styles and links, where the cursor stands.
    void Runs(const THtmlText& html, const THtmlBlock& block, QTextCursor& cursor) {
        const QTextCharFormat base = BaseFormat(block);
        if (!block.Marker.empty())
            cursor.insertText(ToQString(block.Marker) + ' ', base);
        const std::string_view text = block.Text;
        std::size_t at = 0;
        for (const THtmlSpan& span : block.Spans) {
            if (span.Begin > at)
                InsertText(cursor, text.substr(at, span.Begin - at), base);
            QTextCharFormat format = base;
            if (span.Style & hsBold)
                format.setFontWeight(QFont::Bold);
            if (span.Style & hsItalic)
                format.setFontItalic(true);
            if (span.Style & hsUnderline)
                format.setFontUnderline(true);
            if (span.Style & hsStrike)
                format.setFontStrikeOut(true);
            if (span.Style & hsCode)
                format.setFontFamilies(monoFamilies_);
            const std::string_view part = text.substr(span.Begin, span.End - span.Begin);
            if (span.Link >= 0)
                cursor.insertText(ToQString(part),
                                  LinkFormat(format, html.Links[static_cast<std::size_t>(span.Link)]));
            else
                InsertText(cursor, part, format);
            at = span.End;
        }
        if (at < text.size())
            InsertText(cursor, text.substr(at), base);
    }

    void Block(const THtmlText& html, const THtmlBlock& block) {
        NewBlock(BlockFormat(block, std::exchange(descriptionStart_, false)), BaseFormat(block));
        Runs(html, block, cursor_);
    }

    // The blocks of one table from blocks[first]; returns the index after them.
    std::size_t Table(const THtmlText& html, std::size_t first) {
        const auto& blocks = html.Blocks;
        const std::uint32_t id = blocks[first].Table;
        std::size_t end = first;
        std::map<std::uint32_t, int> rows;  // the rows that hold something, in order
        int columns = 1;
        for (; end < blocks.size() && blocks[end].Table == id; ++end) {
            rows.emplace(blocks[end].Row, 0);
            columns = std::max(columns, blocks[end].Column + 1);
        }
        int row = 0;
        for (auto& [number, index] : rows)
            index = row++;
        // A table is laid out and painted whole, at some cost per cell:
        // past a budget for the item, tables show a row per line.
        gridCells_ += static_cast<std::size_t>(row) * static_cast<std::size_t>(columns);
        if (gridCells_ > kGridCells)
            return TableLines(html, first, end);

        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        // Each cell has its own border: a collapsed one paints twice as slowly.
        format.setBorderBrush(Mix(palette_.color(QPalette::Text), palette_.color(QPalette::Base), 0.2));
        format.setCellPadding(std::round(em_ * 0.25));
        format.setCellSpacing(0);
        format.setTopMargin(gap_);
        format.setBottomMargin(gap_);
        format.setLeftMargin(blocks[first].Indent * listStep_ + blocks[first].Quote * quoteStep_);
        // A table goes after the block before it, or into the empty one
        // where the cursor stands.
        fresh_ = false;
        QTextTable* table = cursor_.insertTable(row, columns, format);
        std::vector<bool> filled(static_cast<std::size_t>(row * columns), false);
        for (std::size_t i = first; i < end; ++i) {
            const THtmlBlock& block = blocks[i];
            const int r = rows[block.Row];
            const int c = block.Column;
            QTextCursor cell = table->cellAt(r, c).lastCursorPosition();
            THtmlBlock inCell = block;
            inCell.Indent = inCell.Quote = 0;
            const auto slot = static_cast<std::size_t>(r * columns + c);
            QTextBlockFormat blockFormat = BlockFormat(inCell, false);
            if (!filled[slot])
                blockFormat.setTopMargin(0);
            if (filled[slot])
                cell.insertBlock(blockFormat, BaseFormat(inCell));
            else
                cell.setBlockFormat(blockFormat);
            filled[slot] = true;
            Runs(html, inCell, cell);
        }
        cursor_.movePosition(QTextCursor::End);
        fresh_ = true;
        descriptionStart_ = false;
        return end;
    }

    // A row of a table per line, its cells apart by bars.
    std::size_t TableLines(const THtmlText& html, std::size_t first, std::size_t end) {
        const THtmlBlock* before = nullptr;
        for (std::size_t i = first; i < end; ++i) {
            const THtmlBlock& block = html.Blocks[i];
            if (!before || before->Row != block.Row)
                NewBlock(BlockFormat(block, std::exchange(descriptionStart_, false)), BaseFormat(block));
            else
                cursor_.insertText(before->Column != block.Column ? " | " : " ", BaseFormat(block));
            Runs(html, block, cursor_);
            before = &block;
        }
        return end;
    }

    static constexpr std::size_t kGridCells = 100;

    QFont font_;
    QPalette palette_;
    std::unique_ptr<QTextDocument> document_;
    QTextCursor cursor_;
    std::vector<std::string> links_;
    QStringList monoFamilies_;
    QColor muted_;
    double em_ = 16, gap_ = 8, listStep_ = 24, quoteStep_ = 20;
    bool fresh_ = true;
    bool descriptionStart_ = false;
    std::size_t gridCells_ = 0;  // the cells of the tables laid out as grids
};

}  // namespace

TItemDocument BuildItemDocument(const TItemText& item, const QFont& font, const QPalette& palette) {
    return TBuilder(font, palette).Build(item);
}

QString LinkAnchor(std::size_t index) { return QString("%1:%2").arg(kLinkScheme).arg(index); }

int LinkIndex(const QUrl& anchor) {
    if (anchor.scheme() != kLinkScheme)
        return -1;
    bool ok = false;
    const int index = anchor.path().toInt(&ok);
    return ok && index >= 0 ? index : -1;
}
