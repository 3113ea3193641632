#include "connection/CombinedDialUpService.h"
#include "support/FakeDialUpService.h"

#include <gtest/gtest.h>

namespace {

struct CombinedFixture : testing::Test {
    FakeDialUpService machine;
    FakeDialUpService simulated;
    CombinedDialUpService combined{{&machine, &simulated}};

    std::vector<DialUpConnection> List() {
        std::vector<DialUpConnection> connections;
        EXPECT_TRUE(combined.EnumConnections(connections));
        return connections;
    }
};

// Equal names within one source stay distinct; a name both list is listed once. Either source's flag
// establishes; a failing source lists nothing.
TEST_F(CombinedFixture, ListsEachNameOnceWithUniqueHandlesAndAnySourceDecides) {
    EXPECT_EQ(Reading(combined), "");
    machine.Add(1, "Home");
    machine.Add(2, "Modem");
    machine.Add(3, "Modem");
    simulated.Add(1, "Demo");
    simulated.Add(2, "Home");
    simulated.Flag = true;
    EXPECT_EQ(Reading(combined), "Home, Modem, Modem, Demo (established)");
    EXPECT_NE(List()[0].Handle, List()[3].Handle) << "both sources use handle 1";
    machine.EnumFails = true;
    EXPECT_EQ(Reading(combined), "Demo, Home (established)");
    simulated.EnumFails = true;
    EXPECT_EQ(Reading(combined), "unreadable");
}

// A name listed by both sources, and one by the second only.
TEST_F(CombinedFixture, HangUpAndCountersReachTheSourcesBehindTheHandle) {
    machine.Add(5, "Home");
    simulated.Add(9, "Home");
    simulated.Add(3, "Demo");
    const auto connections = List();

    simulated.Traffic[9] = {700, 80};
    EXPECT_EQ(TrafficReading(combined, connections[0].Handle), "700 in, 80 out")
        << "the listing source keeps none, the other does";
    machine.Traffic[5] = {12, 34};
    EXPECT_EQ(TrafficReading(combined, connections[0].Handle), "12 in, 34 out");
    EXPECT_EQ(TrafficReading(combined, connections[1].Handle), "unreadable") << "its source keeps none";
    EXPECT_EQ(TrafficReading(combined, 424242), "unreadable");

    EXPECT_TRUE(combined.HangUp(connections[1].Handle));
    EXPECT_TRUE(machine.HungUp.empty());
    EXPECT_EQ(simulated.HungUp, (std::vector<std::uint64_t>{3}));
    machine.FailingHangUps = {5};
    EXPECT_FALSE(combined.HangUp(connections[0].Handle));
    EXPECT_EQ(machine.HungUp, (std::vector<std::uint64_t>{5}));
    EXPECT_EQ(simulated.HungUp, (std::vector<std::uint64_t>{3, 9})) << "the shared name ends on both";
    EXPECT_FALSE(combined.HangUp(424242));
}

TEST_F(CombinedFixture, HandlesStayWhileListedAndAreNotReused) {
    simulated.Add(1, "Demo");
    const std::uint64_t first = List()[0].Handle;
    machine.Add(4, "Home");
    EXPECT_EQ(List()[1].Handle, first);

    simulated.Connections = {{2, "Demo"}};
    EXPECT_NE(List()[1].Handle, first) << "a redial under the old name is another connection";
    EXPECT_FALSE(combined.HangUp(first));
}

} // namespace
