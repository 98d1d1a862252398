// The list box: rows of one height, drawn only where they show. Nothing here
// walks the whole list except what a user's click or a deletion asks for.
#include "platform/list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace plat::detail {

namespace {
constexpr int kTextIndent = 2;  // pixels between the frame and a row's text
}

ListBoxWidget::ListBoxWidget(QWidget* parent, bool extendedSelection, bool sorted)
    : QAbstractScrollArea(parent), extended_(extendedSelection), sorted_(sorted) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    verticalScrollBar()->setSingleStep(1);  // the vertical bar counts rows
    horizontalScrollBar()->setSingleStep(8);
    UpdateScrollRange();
}

int ListBoxWidget::RowHeight() const { return std::max(1, fontMetrics().height() + 2); }

int ListBoxWidget::WholeRowsShown() const { return std::max(1, viewport()->height() / RowHeight()); }

// O(1): the scroll range follows from the count, never from the rows' layout.
void ListBoxWidget::UpdateScrollRange() {
    const int shown = WholeRowsShown();
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(shown);
    v->setRange(0, std::max(0, Count() - shown));
    QScrollBar* h = horizontalScrollBar();
    h->setPageStep(std::max(1, viewport()->width()));
    h->setRange(0, std::max(0, widest_ + 2 * kTextIndent - viewport()->width()));
}

// Only a list that scrolls sideways needs its widest text; measuring every
// line of a fast receiver would cost more than listing it.
void ListBoxWidget::NoteWidth(const QString& text) {
    if (horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff) return;
    widest_ = std::max(widest_, fontMetrics().horizontalAdvance(text));
}

bool ListBoxWidget::RowShown(int index) const {
    const int top = Top();
    return index >= top && index <= top + WholeRowsShown();
}

int ListBoxWidget::Add(const QString& text) {
    int index = Count();
    if (sorted_) {
        // After its equals, as the classic list box places it; letter case ignored.
        const auto at = std::upper_bound(items_.begin(), items_.end(), text, [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        index = static_cast<int>(at - items_.begin());
    }
    items_.insert(items_.begin() + index, text);
    selected_.insert(selected_.begin() + index, 0);
    if (index < Count() - 1) {
        if (current_ >= index) ++current_;
        if (anchor_ >= index) ++anchor_;
    }
    NoteWidth(text);
    UpdateScrollRange();
    if (index < Top()) {
        viewport()->update();
    } else if (RowShown(index)) {
        // Only the new row and those it pushed down change.
        const int h = RowHeight();
        const int y = (index - Top()) * h;
        viewport()->update(0, y, viewport()->width(), index == Count() - 1 ? h : viewport()->height() - y);
    }
    return index;
}

bool ListBoxWidget::Delete(int index) {
    if (index < 0 || index >= Count()) return false;
    items_.erase(items_.begin() + index);
    selected_.erase(selected_.begin() + index);
    if (current_ == index) current_ = -1;
    else if (current_ > index) --current_;
    if (anchor_ == index) anchor_ = -1;
    else if (anchor_ > index) --anchor_;
    UpdateScrollRange();
    viewport()->update();
    return true;
}

void ListBoxWidget::Clear() {
    items_.clear();
    selected_.clear();
    current_ = anchor_ = -1;
    widest_ = 0;
    UpdateScrollRange();
    viewport()->update();
}

const QString* ListBoxWidget::Text(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return &items_[static_cast<size_t>(index)];
}

void ListBoxWidget::SelectOnly(int index) {
    std::fill(selected_.begin(), selected_.end(), uint8_t{0});
    current_ = anchor_ = index;
    if (index >= 0) selected_[static_cast<size_t>(index)] = 1;
    viewport()->update();
}

bool ListBoxWidget::SetSelection(int index) {
    const bool valid = index >= 0 && index < Count();
    SelectOnly(valid ? index : -1);
    return valid;
}

int ListBoxWidget::Selection() const {
    if (current_ < 0 || current_ >= Count()) return -1;
    return selected_[static_cast<size_t>(current_)] != 0 ? current_ : -1;
}

bool ListBoxWidget::SetTop(int index) {
    if (index < 0 || index >= Count()) return false;
    verticalScrollBar()->setValue(index);  // the range stops it where the last row reaches the bottom
    return true;
}

int ListBoxWidget::Top() const { return verticalScrollBar()->value(); }

bool ListBoxWidget::ChooseAsUser(int index) {
    if (index < 0 || index >= Count() || !isEnabled()) return false;
    UserSelect(index, Qt::NoModifier);
    return true;
}

// A click or key of the user: one row, or with an extended selection Ctrl
// toggles a row and Shift selects from the anchor. Notifies when it changed.
void ListBoxWidget::UserSelect(int index, Qt::KeyboardModifiers modifiers) {
    const std::vector<uint8_t> before = selected_;
    if (extended_ && (modifiers & Qt::ControlModifier)) {
        uint8_t& s = selected_[static_cast<size_t>(index)];
        s = s != 0 ? 0 : 1;
        current_ = anchor_ = index;
    } else if (extended_ && (modifiers & Qt::ShiftModifier) && anchor_ >= 0) {
        std::fill(selected_.begin(), selected_.end(), uint8_t{0});
        const auto [from, to] = std::minmax(anchor_, index);
        std::fill(selected_.begin() + from, selected_.begin() + to + 1, uint8_t{1});
        current_ = index;
    } else {
        SelectOnly(index);
    }
    if (index < Top()) SetTop(index);
    else if (index >= Top() + WholeRowsShown()) verticalScrollBar()->setValue(index - WholeRowsShown() + 1);
    viewport()->update();
    if (selected_ != before && OnUserSelection) OnUserSelection();
}

// Only the rows the damaged area meets; the background is already filled.
void ListBoxWidget::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QPalette& pal = palette();
    const int h = RowHeight();
    const int w = viewport()->width();
    const int x = kTextIndent - horizontalScrollBar()->value();
    const QRect area = event->rect();
    const int first = Top() + std::max(0, area.top()) / h;
    const int last = std::min(Count() - 1, Top() + area.bottom() / h);
    for (int i = first, y = (first - Top()) * h; i <= last; ++i, y += h) {
        const bool selected = selected_[static_cast<size_t>(i)] != 0;
        if (selected) p.fillRect(0, y, w, h, pal.brush(QPalette::Highlight));
        p.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p.drawText(QRect(x, y, std::max(w, widest_ + kTextIndent) - x, h), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   items_[static_cast<size_t>(i)]);
        if (i == current_ && hasFocus()) {
            p.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
            p.drawRect(0, y, w - 1, h - 1);
        }
    }
}

void ListBoxWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int row = Top() + static_cast<int>(event->position().y()) / RowHeight();
    if (row >= 0 && row < Count()) UserSelect(row, event->modifiers());
}

void ListBoxWidget::keyPressEvent(QKeyEvent* event) {
    if (Count() == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int page = WholeRowsShown();
    const int from = std::max(current_, 0);
    int row = -1;
    switch (event->key()) {
        case Qt::Key_Up: row = from - 1; break;
        case Qt::Key_Down: row = current_ < 0 ? 0 : from + 1; break;
        case Qt::Key_PageUp: row = from - page; break;
        case Qt::Key_PageDown: row = from + page; break;
        case Qt::Key_Home: row = 0; break;
        case Qt::Key_End: row = Count() - 1; break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    UserSelect(std::clamp(row, 0, Count() - 1), event->modifiers() & Qt::ShiftModifier);
}

void ListBoxWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

// The rows already drawn move with the scroll; only the uncovered strip is drawn.
void ListBoxWidget::scrollContentsBy(int dx, int dy) { viewport()->scroll(dx, dy * RowHeight()); }

}  // namespace plat::detail
