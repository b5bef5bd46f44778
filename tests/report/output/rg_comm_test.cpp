// Communicators link both ways, tell every partner before going away (last
// linked first) and report real state changes only.
#include "report/output/rg_comm.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Writes what reaches it into a shared log: "<name> gone <sender>" for a
// partner's destruction, "<name> state <flags>" for a state change.
class LoggingCommunicator : public TrgCommunicator {
public:
    LoggingCommunicator(const QString& name, QStringList& log, TComponent* owner = nullptr)
        : TrgCommunicator(owner), log_(log)
    {
        Name = name;
    }
    void EventNotify(TrgCommunicator* Sender, int Operation) override
    {
        TrgCommunicator::EventNotify(Sender, Operation);
        log_ << Name + (Operation == rgOpPartnerDestroyed ? " gone " : " event ") + Sender->Name;
    }
    void StateChange(TrgStateSet States) override { log_ << Name + " state " + QString::number(States); }

private:
    QStringList& log_;
};

std::vector<TrgCommunicator*> Partners(const TrgCommunicator& c)
{
    return c.EventNotifies() ? *c.EventNotifies() : std::vector<TrgCommunicator*>{};
}

TEST(Communicator, LinksBothWaysOnce)
{
    QStringList log;
    LoggingCommunicator a("A", log), b("B", log);
    EXPECT_EQ(a.EventNotifies(), nullptr);

    a.AddEventNotify(&b);
    a.AddEventNotify(&b);
    b.AddEventNotify(&a);
    EXPECT_EQ(Partners(a), std::vector<TrgCommunicator*>{&b});
    EXPECT_EQ(Partners(b), std::vector<TrgCommunicator*>{&a});

    b.RemoveEventNotify(&a);
    EXPECT_EQ(a.EventNotifies(), nullptr);
    EXPECT_EQ(b.EventNotifies(), nullptr);
    // Unlinking what is not linked changes nothing.
    b.RemoveEventNotify(&a);
    EXPECT_EQ(b.EventNotifies(), nullptr);
    EXPECT_TRUE(log.isEmpty());
}

TEST(Communicator, DestructionTellsEveryPartnerLastLinkedFirst)
{
    QStringList log;
    LoggingCommunicator b("B", log), c("C", log), d("D", log);
    b.AddEventNotify(&c);  // C keeps B as a second partner
    {
        LoggingCommunicator a("A", log);
        a.AddEventNotify(&b);
        a.AddEventNotify(&c);
        a.AddEventNotify(&d);
    }
    EXPECT_EQ(log, QStringList({"D gone A", "C gone A", "B gone A"}));
    // D had A alone: its list is gone; B and C still know each other.
    EXPECT_EQ(d.EventNotifies(), nullptr);
    EXPECT_EQ(Partners(b), std::vector<TrgCommunicator*>{&c});
    EXPECT_EQ(Partners(c), std::vector<TrgCommunicator*>{&b});
}

// A partner that answers a destruction notice by unlinking itself.
class UnlinkingCommunicator : public TrgCommunicator {
public:
    using TrgCommunicator::TrgCommunicator;
    void EventNotify(TrgCommunicator* Sender, int Operation) override
    {
        Sender->RemoveEventNotify(this);
        TrgCommunicator::EventNotify(Sender, Operation);
        ++notices;
    }
    int notices = 0;
};

TEST(Communicator, PartnerUnlinkingInItsAnswerIsToldOnce)
{
    UnlinkingCommunicator b(nullptr), c(nullptr);
    {
        TrgCommunicator a(nullptr);
        a.AddEventNotify(&b);
        a.AddEventNotify(&c);
    }
    EXPECT_EQ(b.notices, 1);
    EXPECT_EQ(c.notices, 1);
    EXPECT_EQ(b.EventNotifies(), nullptr);
    EXPECT_EQ(c.EventNotifies(), nullptr);
}

TEST(Communicator, OtherOperationsLeaveTheLinks)
{
    QStringList log;
    LoggingCommunicator a("A", log), b("B", log);
    a.AddEventNotify(&b);
    b.EventNotify(&a, 5);
    EXPECT_EQ(Partners(b), std::vector<TrgCommunicator*>{&a});
    EXPECT_EQ(log, QStringList{"B event A"});
}

TEST(Communicator, StateChangeOnlyOnARealChange)
{
    struct Step {
        bool add;
        TrgStateSet flags;
        TrgStateSet stateAfter;
        bool reported;
    };
    // Start empty; each step's argument is reported whole when anything changed.
    const Step steps[] = {
        {true, 0x0001, 0x0001, true},
        {true, 0x0001, 0x0001, false},   // all already set
        {true, 0x0009, 0x0009, true},    // one new bit: the whole argument is passed
        {false, 0x0002, 0x0009, false},  // none of them set
        {false, 0x000A, 0x0001, true},   // one of them set
        {true, 0x8000, 0x8001, true},    // the top bit of the 16
        {false, 0xFFFF, 0x0000, true},
        {false, 0xFFFF, 0x0000, false},
    };
    QStringList log;
    LoggingCommunicator a("A", log);
    EXPECT_EQ(a.State(), 0);
    for (const Step& s : steps) {
        log.clear();
        s.add ? a.AddStates(s.flags) : a.RemoveStates(s.flags);
        EXPECT_EQ(a.State(), s.stateAfter) << s.flags;
        EXPECT_EQ(log, s.reported ? QStringList{"A state " + QString::number(s.flags)} : QStringList{})
            << s.flags;
    }
}

TEST(Communicator, LinkValueStartsAtZero)
{
    TrgCommunicator a(nullptr);
    EXPECT_EQ(a.LinkValue(), 0);
    a.SetLinkValue(-77);
    EXPECT_EQ(a.LinkValue(), -77);
}

class TrgLabel : public TrgCommunicator {
public:
    using TrgCommunicator::TrgCommunicator;
};
class TrgShape : public TrgCommunicator {
public:
    using TrgCommunicator::TrgCommunicator;
};

TEST(Communicator, UniqueNameTakesTheLowestFreeNumber)
{
    struct Case {
        QStringList existing;
        QString expected;
    };
    const Case cases[] = {
        {{}, "Report1Label1"},
        {{"Report1Label1", "Report1Label3"}, "Report1Label2"},
        {{"Report1Label1", "Report1Label2", "Report1Label4"}, "Report1Label3"},
        {{"Report1Label2", "Report1Label10"}, "Report1Label1"},
        {{"Report1Label1", "Report1Label2", "Report1Label10"}, "Report1Label3"},
        // Not numbers, zero and negative remainders count for nothing.
        {{"Report1LabelX", "Report1Label0", "Report1Label-1", "Report1Label"}, "Report1Label1"},
        {{"Report1Label1", "Report1Label1"}, "Report1Label2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing.join(",").toStdString());
        TComponent form(nullptr);
        TrgCommunicator report(&form);
        report.Name = "Report1";
        for (const QString& name : c.existing)
            (new TrgLabel(&form))->Name = name;
        TrgLabel fresh(nullptr);
        QString name;
        rgGetUniqueComponentName(&report, &fresh, name);
        EXPECT_EQ(name, c.expected);
    }
}

TEST(Communicator, UniqueNameLooksAtTheParentItselfWithoutOwner)
{
    TrgCommunicator report(nullptr);
    report.Name = "rgReport2";
    (new TrgShape(&report))->Name = "rgReport2Shape1";
    (new TrgLabel(&report))->Name = "rgReport2Label1";
    TrgShape shape(nullptr);
    QString name;
    rgGetUniqueComponentName(&report, &shape, name);
    EXPECT_EQ(name, "rgReport2Shape2");

    // A hand-named component of another class never gets its name taken.
    (new TrgShape(&report))->Name = "rgReport2Label2";
    TrgLabel label(nullptr);
    rgGetUniqueComponentName(&report, &label, name);
    EXPECT_EQ(name, "rgReport2Label3");
}

}  // namespace
