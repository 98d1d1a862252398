// For the platform layer's own files only: the widget behind the "LISTBOX"
// control class.
//
// A list box may grow for hours (the GPS monitor lists every line a receiver
// sends), so its rows all have one height and are kept in a plain vector: the
// row under a point, the rows to draw and the scroll range come from
// arithmetic, and adding a line costs the same at line 60,000 as at line 10.
// (Qt's item views lay every row out again on each insertion.)
#pragma once
#include <QAbstractScrollArea>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace plat::detail {

class ListBoxWidget : public QAbstractScrollArea {
public:
    ListBoxWidget(QWidget* parent, bool extendedSelection, bool sorted);

    // The index the text went to (the end, or its place in a sorted list).
    int Add(const QString& text);
    bool Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    const QString* Text(int index) const;

    // The program's selection: `index` alone selected and made current; -1
    // clears. Returns false when the index is out of range (the selection is
    // then cleared). Never notifies.
    bool SetSelection(int index);
    // The current row when it is selected, else -1.
    int Selection() const;
    // The first visible row; SetTop scrolls as near to `index` as the rows allow.
    bool SetTop(int index);
    int Top() const;
    // A user's choice of one row, as a click on it would make it.
    bool ChooseAsUser(int index);

    std::function<void()> OnUserSelection;  // a user changed the selection

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int RowHeight() const;
    int WholeRowsShown() const;
    void UpdateScrollRange();
    void NoteWidth(const QString& text);
    bool RowShown(int index) const;
    void SelectOnly(int index);
    void UserSelect(int index, Qt::KeyboardModifiers modifiers);

    std::vector<QString> items_;
    std::vector<uint8_t> selected_;  // 1 = selected, one per item
    int current_ = -1;               // the caret row; -1 none
    int anchor_ = -1;                // where a shift-extended selection starts
    int widest_ = 0;                 // pixels, for the horizontal scroll range
    bool extended_;
    bool sorted_;
};

}  // namespace plat::detail
