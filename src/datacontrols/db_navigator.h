#pragma once
// TDBNavigator: the row of buttons that moves through a dataset and edits
// it (first, prior, next, last, insert, delete, edit, post, cancel,
// refresh), each enabled only where it can act. Only the buttons of
// VisibleButtons show; they share the navigator's width.

#include "platform/ui/ext_ctrls.h"

#include <array>
#include <functional>
#include <memory>

class TDataSource;
class TSpeedButton;

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
using TButtonSet = TSet<TNavigateBtn>;
inline constexpr TButtonSet kAllNavigatorButtons{nbFirst, nbPrior, nbNext,  nbLast,   nbInsert,
                                                 nbDelete, nbEdit, nbPost, nbCancel, nbRefresh};

class TDBNavigator : public TPanel {
public:
    explicit TDBNavigator(TComponent* AOwner);
    ~TDBNavigator() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    // Asks "Datensatz löschen?" before a delete.
    bool ConfirmDelete = true;
    // After a button's action, with the button.
    std::function<void(TObject* Sender, TNavigateBtn Button)> OnClick;

    TSpeedButton* Buttons(TNavigateBtn b) const { return buttons_[size_t(b)]; }
    TButtonSet VisibleButtons() const { return visible_; }
    void SetVisibleButtons(TButtonSet v);
    // Runs the button's action as a click does.
    void BtnClick(TNavigateBtn b);
    // Enables the buttons by the dataset's state and position.
    void UpdateButtons();

protected:
    void Resize() override;

private:
    class TNavLink;
    std::unique_ptr<TNavLink> link_;
    std::array<TSpeedButton*, 10> buttons_{};
    TButtonSet visible_ = kAllNavigatorButtons;
};
