#pragma once

// The desktop library's data navigator: first, prior, next and last over a data source.
// The buttons follow the data set's ends (all off while it is inactive or empty; first and
// prior off at Bof, next and last off at Eof) and never take the focus; a click that does
// not move the cursor still runs OnClick.
// A click moves the data set, then runs OnClick; a move that the data set refuses
// (a throwing BeforeScroll) stops there, inside the guard.

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class TDataSource;
class TSpeedButton;

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast };

class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);

    std::function<void(TDBNavigator& sender, TNavigateBtn button)> OnClick;

    // Moves the data set as the button does, then runs OnClick; failures reach the caller.
    void BtnClick(TNavigateBtn button);

    TSpeedButton* Button(TNavigateBtn button) const { return m_buttons.at(button); }

private:
    class Link;
    void updateButtons();

    std::array<TSpeedButton*, 4> m_buttons{};
    std::unique_ptr<Link> m_link;
};
