#pragma once
// The scripted answerer for tests (header only; include it from test
// programs, it uses GoogleTest). While a TPromptScript lives it is the
// prompt service: every prompt is recorded with its kind, caption and text
// and answered by the next step of the script; a prompt the script did not
// expect fails the test with its text and gets a cancelling answer, a step
// left unused when the script ends fails the test too. Modal forms are
// answered by a callback that gets the shown form and sets its controls or
// modal result; it may also let the form's own modal loop run for a while
// (form.ModalLoop(ms)), for forms that close themselves.
//
//   TPromptScript script;
//   script.Answer(mrYes, "wirklich löschen")
//         .Modal([](TCustomForm& f) { f.ModalResult = mrOk; });
//   ... code under test ...
//   EXPECT_EQ(script.Records().at(0).Text, "...");

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/ui/forms.h"
#include "platform/ui/prompt_service.h"

struct TPromptRecord {
    TPromptKind Kind;
    QString Caption;
    QString Text;
    TMsgDlgType DlgType;
    TMsgDlgButtons Buttons;
    int Flags;
    QString Value;  // default text / file name given to the prompt
    int Result;     // what the script answered
    int HelpContext = 0;  // the help topic of a message dialog's Help button
    bool NeueDateiErlaubt = false;  // an open dialog takes a name not there yet
};

class TPromptScript : public TPromptService {
public:
    using TFormAnswer = std::function<void(TCustomForm& Form)>;

    TPromptScript() { previous_ = SetPromptService(this); }
    ~TPromptScript() override
    {
        SetPromptService(previous_);
        for (const Step& s : steps_)
            ADD_FAILURE() << "Erwartete Abfrage kam nicht: " << Describe(s).toStdString();
    }
    TPromptScript(const TPromptScript&) = delete;
    TPromptScript& operator=(const TPromptScript&) = delete;

    // The next prompt (any kind but a modal form) is answered with result;
    // with textPart it must contain that text.
    TPromptScript& Answer(int result, const QString& textPart = {})
    {
        steps_.push_back({std::nullopt, textPart, result, {}, {}});
        return *this;
    }
    // The next prompt must be of that kind.
    TPromptScript& Answer(TPromptKind kind, int result, const QString& textPart = {})
    {
        steps_.push_back({kind, textPart, result, {}, {}});
        return *this;
    }
    // An input box or common dialog: OK with that value.
    TPromptScript& AnswerValue(const QString& value, const QString& textPart = {})
    {
        steps_.push_back({std::nullopt, textPart, mrOk, value, {}});
        return *this;
    }
    // The next prompt must be a modal form (of class F when given); fn gets
    // it shown and sets what the user would.
    TPromptScript& Modal(TFormAnswer fn)
    {
        steps_.push_back({TPromptKind::Modal, {}, mrNone, {}, std::move(fn)});
        return *this;
    }
    template <typename F>
    TPromptScript& Modal(std::function<void(F&)> fn)
    {
        return Modal([fn](TCustomForm& f) {
            F* typed = dynamic_cast<F*>(&f);
            ASSERT_NE(typed, nullptr) << "Modales Fenster hat eine andere Klasse: " << f.Name.toStdString();
            fn(*typed);
        });
    }

    const std::vector<TPromptRecord>& Records() const { return records_; }
    // How many of the prompts shown had a text containing `textPart`.
    int Shown(const QString& textPart) const
    {
        int n = 0;
        for (const TPromptRecord& r : records_)
            n += r.Text.contains(textPart) ? 1 : 0;
        return n;
    }
    size_t Pending() const { return steps_.size(); }

    int Show(const TPrompt& p, QString* value) override
    {
        TPromptRecord r{p.Kind,  p.Caption, p.Text, p.DlgType, p.Buttons, p.Flags, p.Value, 0, p.HelpContext,
                        p.NeueDateiErlaubt};
        if (steps_.empty() || steps_.front().kind == TPromptKind::Modal ||
            (steps_.front().kind && *steps_.front().kind != p.Kind) ||
            (!steps_.front().textPart.isEmpty() && !p.Text.contains(steps_.front().textPart))) {
            ADD_FAILURE() << "Unerwartete Abfrage (" << PromptKindName(p.Kind).toStdString() << ") ["
                          << p.Caption.toStdString() << "] " << p.Text.toStdString()
                          << (steps_.empty() ? std::string() : ", erwartet: " + Describe(steps_.front()).toStdString());
            // The script is off its track: drop the step it expected here.
            if (!steps_.empty() && steps_.front().kind != TPromptKind::Modal)
                steps_.pop_front();
            r.Result = Cancelling(p);
            records_.push_back(r);
            return r.Result;
        }
        Step s = std::move(steps_.front());
        steps_.pop_front();
        r.Result = s.result;
        if (value && !s.value.isEmpty())
            *value = s.value;
        records_.push_back(r);
        return r.Result;
    }

    TModalResult ShowModal(TCustomForm& form) override
    {
        TPromptRecord r{TPromptKind::Modal, form.Caption(), form.Name, mtCustom, {}, 0, {}, mrNone};
        if (steps_.empty() || steps_.front().kind != TPromptKind::Modal) {
            ADD_FAILURE() << "Unerwartetes modales Fenster: " << form.Name.toStdString() << " ["
                          << form.Caption().toStdString() << "]";
            r.Result = mrCancel;
            records_.push_back(r);
            return mrCancel;
        }
        Step s = std::move(steps_.front());
        steps_.pop_front();
        form.BeginModal();
        // The record keeps the caption as shown (after OnShow).
        r.Caption = form.Caption();
        records_.push_back(r);
        size_t index = records_.size() - 1;
        s.form(form);
        if (form.ModalResult != mrNone)
            form.CloseModal();
        if (form.ModalResult == mrNone) {
            ADD_FAILURE() << "Modales Fenster wurde nicht beendet: " << form.Name.toStdString();
            form.ModalResult = mrCancel;
        }
        TModalResult result = form.ModalResult;
        form.EndModal();
        records_[index].Result = result;
        return result;
    }

private:
    struct Step {
        std::optional<TPromptKind> kind;
        QString textPart;
        int result;
        QString value;
        TFormAnswer form;
    };

    static QString Describe(const Step& s)
    {
        return (s.kind ? PromptKindName(*s.kind) : QString("Abfrage")) +
               (s.textPart.isEmpty() ? QString() : " mit \"" + s.textPart + "\"");
    }

    static int Cancelling(const TPrompt& p)
    {
        if (p.Kind == TPromptKind::Box) {
            int buttons = p.Flags & 0x0F;
            return buttons == MB_OK ? IDOK : buttons == MB_YESNO ? IDNO : IDCANCEL;
        }
        if (p.Kind == TPromptKind::Dialog && !p.Buttons.Contains(mbCancel))
            return p.Buttons.Contains(mbNo) ? mrNo : mrOk;
        return p.Kind == TPromptKind::Message || p.Kind == TPromptKind::Exception ? mrOk : mrCancel;
    }

    TPromptService* previous_ = nullptr;
    std::deque<Step> steps_;
    std::vector<TPromptRecord> records_;
};
