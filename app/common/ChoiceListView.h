#pragma once

#include <QListView>

#include <functional>

namespace kestrivane {

// A list or grid whose cells act as buttons, one rule for every such view of the program. The
// arrow keys move the keyboard focus from cell to cell; a click, or Space or Select on the
// focused cell, chooses it. Return and Enter choose the focused cell too, unless it is already
// the chosen one: there they are left to the screen, whose default button they press, so that
// Return after Return acts on what the first one chose. The view keeps no selection of its
// own; which cell is the chosen one is its owner's to say.
class ChoiceListView : public QListView {
    Q_OBJECT

public:
    explicit ChoiceListView(QWidget *parent = nullptr);

    // Whether a cell is the chosen one; without a test, none is.
    void setChosenTest(std::function<bool(const QModelIndex &)> test) { m_isChosen = std::move(test); }

Q_SIGNALS:
    void chosen(const QModelIndex &index);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Whether a key press chooses the focused cell.
    bool chooses(const QKeyEvent &event) const;

    std::function<bool(const QModelIndex &)> m_isChosen;
};

} // namespace kestrivane
