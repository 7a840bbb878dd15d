#include "ui/headless/headless_window.h"

#include <gtest/gtest.h>

#include "link/message_transport.h"

namespace {

using ui::ControlKind;
using ui::ControlSpec;
namespace st = ui::style;

constexpr ControlSpec kControls[] = {
    {10, ControlKind::Edit, "start", {0, 0, 10, 10}, st::kTabStop},
    {11, ControlKind::Edit, {}, {0, 0, 10, 10}, st::kTabStop | st::kMultiLine | st::kWantReturn},
    {12, ControlKind::DropDownList, {}, {0, 0, 10, 10}, st::kTabStop},
    {13, ControlKind::ReportList, {}, {0, 0, 10, 10}, st::kTabStop},
    {1, ControlKind::Button, "OK", {0, 0, 10, 10}, st::kTabStop | st::kDefaultButton},
    {2, ControlKind::Button, "Cancel", {0, 0, 10, 10}, st::kTabStop},
};
constexpr int kTabs[] = {11, 10, 12, 13, 1, 2};
constexpr ui::DialogSpec kSpec{"test", "caption", 100, 100, "font", 9, false, kControls, kTabs, 1};

struct Recorder final : ui::FormEvents {
    std::vector<std::string> events;
    void onCommand(int id) override { events.push_back("command " + std::to_string(id)); }
    void onSelectionChange(int id) override { events.push_back("selection " + std::to_string(id)); }
    void onListClick(int id) override { events.push_back("click " + std::to_string(id)); }
    void onCopyData(std::string_view bytes) override { events.push_back("data " + std::string(bytes)); }
    void onEditChange(int id) override { events.push_back("edit " + std::to_string(id)); }
};

TEST(HeadlessWindow, UserActionsRaiseEventsAndProgramChangesDoNot) {
    ui::headless::HeadlessWindow w(kSpec);
    Recorder r;
    w.attach(&r);
    EXPECT_EQ(w.focus(), 11);
    EXPECT_EQ(w.text(10), "start");
    w.setItems(12, {"a", "b", "c"});
    EXPECT_EQ(w.selection(12), -1);
    w.select(12, 2);
    w.select(12, 7);  // beyond the entries: no selection
    EXPECT_EQ(w.selection(12), -1);
    w.setText(10, "set");
    w.setRows(13, {{"r0"}, {"r1"}});
    w.keyToRow(13, 1);
    EXPECT_EQ(w.firstSelectedRow(13), 1);
    EXPECT_TRUE(r.events.empty());

    w.choose(12, 1);
    w.clickRow(13, 0);
    w.type(10, "x");
    w.type(10, "x");  // the same text again: no change
    w.pressEnter();   // single line: the default button
    w.type(11, "line");
    w.pressEnter();  // the multi-line field takes a new line
    w.click(2);
    w.pressEnter();  // on a focused button: that button
    w.pressEscape();
    w.deliverCopyData("abc");
    EXPECT_EQ(r.events, (std::vector<std::string>{"selection 12", "click 13", "edit 10", "command 1", "edit 11",
                                                  "edit 11", "command 2", "command 2", "command 2", "data abc"}));
    EXPECT_EQ(w.text(11), "line\r\n");
    EXPECT_EQ(w.text(12), "b");

    // Rows filled anew lose their selection.
    w.setRows(13, {{"r0"}});
    EXPECT_EQ(w.firstSelectedRow(13), -1);
}

TEST(HeadlessWindow, QuestionsFollowTheScriptAndEveryBoxIsRecorded) {
    ui::headless::HeadlessWindow w(kSpec);
    w.answerNext(ui::Answer::Yes);
    EXPECT_EQ(w.ask("q1", "c"), ui::Answer::Yes);
    EXPECT_EQ(w.ask("q2", "c"), ui::Answer::No);  // no scripted answer left
    w.messageBox("m", "c");
    ASSERT_EQ(w.dialogs().size(), 3u);
    EXPECT_EQ(w.dialogs()[2].kind, ui::headless::DialogRecord::Kind::Message);
    w.close();
    Recorder r;
    w.attach(&r);
    w.click(1);
    EXPECT_TRUE(w.closed());
    EXPECT_TRUE(r.events.empty());
}

TEST(LoopbackTransport, FindsWindowsByClassAndDeliversCopyDataAtOnce) {
    calclink::LoopbackTransport t;
    EXPECT_EQ(calclink::sendToCalculator(t, "Corvina", "$x"), 0);
    std::vector<std::string> received;
    t.listen("mvQelvo", [&](std::string_view bytes) { received.emplace_back(bytes); });
    t.addWindow("Corvina", [&](std::string_view text) {
        t.sendCopyData("mvQelvo", std::string("answer to ") + std::string(text));
        return std::intptr_t{7};
    });
    // The answer arrives before the request returns, as a message sent between programs does.
    EXPECT_EQ(calclink::sendToCalculator(t, "Corvina", "$x"), 7);
    EXPECT_EQ(received, std::vector<std::string>{"answer to $x"});
    EXPECT_FALSE(t.sendCopyData("nobody", "x"));
}

TEST(LoopbackTransport, TellsWhyATextFoundNoWindowOnlyForThatText) {
    calclink::LoopbackTransport t;
    EXPECT_EQ(calclink::sendToCalculator(t, "Corvina", "$x"), 0);
    EXPECT_EQ(t.lastFailure(), "");
    t.setMissingWindowReason("no calculator");
    EXPECT_EQ(calclink::sendToCalculator(t, "Corvina", "$x"), 0);
    EXPECT_EQ(t.lastFailure(), "no calculator");
    t.addWindow("Corvina", [](std::string_view) { return std::intptr_t{0}; });
    EXPECT_EQ(calclink::sendToCalculator(t, "Corvina", "$x"), 0);
    EXPECT_EQ(t.lastFailure(), "");
}

}  // namespace
