#include "web/browser_protocol.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

namespace quorvane {
namespace {

using T = BrowserCommandType;

// Every message a page may send, at its bounds, and what is refused around them.
TEST(BrowserProtocol, MessagesAreTakenOnlyWhole) {
  struct Case {
    const char* text;
    std::optional<BrowserCommand> want;
  };
  const QByteArray long_padding(kMaxBrowserMessage, ' ');
  const std::vector<Case> cases = {
      {R"({"type":"move","slot":1,"value":0})", BrowserCommand{T::kMove, 1, 0, false}},
      {R"({"type":"move","slot":24,"value":127,"extra":1})", BrowserCommand{T::kMove, 24, 127}},
      {R"({"type":"move","slot":3.0,"value":5})", BrowserCommand{T::kMove, 3, 5}},
      {R"({"type":"move","slot":0,"value":5})", std::nullopt},
      {R"({"type":"move","slot":25,"value":5})", std::nullopt},
      {R"({"type":"move","slot":1,"value":128})", std::nullopt},
      {R"({"type":"move","slot":1,"value":-1})", std::nullopt},
      {R"({"type":"move","slot":1.5,"value":5})", std::nullopt},
      {R"({"type":"move","slot":"1","value":5})", std::nullopt},
      {R"({"type":"move","slot":1})", std::nullopt},
      {R"({"type":"button","slot":2,"down":true})", BrowserCommand{T::kButton, 2, 127}},
      {R"({"type":"button","slot":2,"down":false})", BrowserCommand{T::kButton, 2, 0}},
      {R"({"type":"button","slot":2,"down":1})", std::nullopt},
      {R"({"type":"page","page":1})", BrowserCommand{T::kPage, 0, 1}},
      {R"({"type":"page","page":5})", BrowserCommand{T::kPage, 0, 5}},
      {R"({"type":"page","page":6})", std::nullopt},
      {R"({"type":"snapshot","slot":0})", BrowserCommand{T::kSnapshot, 0, 0}},
      {R"({"type":"snapshot","slot":9})", BrowserCommand{T::kSnapshot, 9, 0}},
      {R"({"type":"snapshot","slot":10})", std::nullopt},
      {R"({"type":"take","on":true})", BrowserCommand{T::kTake, 0, 0, true}},
      {R"({"type":"take","on":"yes"})", std::nullopt},
      {R"({"type":"recall","slot":1})", std::nullopt},
      {R"({"slot":1,"value":5})", std::nullopt},
      {R"([{"type":"page","page":1}])", std::nullopt},
      {R"({"type":"page","page":1)", std::nullopt},
      {"", std::nullopt},
      {"null", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseBrowserMessage(c.text), c.want) << c.text;
  // The size bound: a message that would be fine is refused once it is one byte too long.
  QByteArray at_bound = R"({"type":"page","page":2})";
  at_bound.append(long_padding.left(kMaxBrowserMessage - at_bound.size()));
  EXPECT_TRUE(ParseBrowserMessage(at_bound));
  EXPECT_FALSE(ParseBrowserMessage(at_bound + ' '));
}

TEST(BrowserProtocol, StateCarriesEverySlotAndSnapshotWithColoursAsCss) {
  SurfaceState state;
  state.page = 3;
  state.bank = 2;
  state.take_mode = true;
  state.output_in_use = true;
  state.page_slots[0] = {"Cutoff", 0x00332211, 64, true, true, true, 10, 100};
  state.page_slots[23].caption = "Last";
  state.snapshot_names[9] = "Pad";
  state.snapshot_enabled[9] = true;
  const QJsonObject o = QJsonDocument::fromJson(BrowserStateMessage(state)).object();
  EXPECT_EQ(o["type"], "state");
  EXPECT_EQ(o["page"], 3);
  EXPECT_EQ(o["bank"], 2);
  EXPECT_EQ(o["take"], true);
  EXPECT_EQ(o["output"], true);
  const QJsonArray slot_list = o["slots"].toArray();
  ASSERT_EQ(slot_list.size(), 24);
  EXPECT_EQ(slot_list[0].toObject(), (QJsonObject{{"slot", 1},
                                                  {"caption", "Cutoff"},
                                                  {"color", "#112233"},
                                                  {"value", 64},
                                                  {"enabled", true},
                                                  {"button", true},
                                                  {"down", true},
                                                  {"lower", 10},
                                                  {"upper", 100}}));
  EXPECT_EQ(slot_list[23].toObject()["slot"], 24);
  EXPECT_EQ(slot_list[23].toObject()["caption"], "Last");
  const QJsonArray snapshots = o["snapshots"].toArray();
  ASSERT_EQ(snapshots.size(), 10);
  EXPECT_EQ(snapshots[9].toObject(),
            (QJsonObject{{"slot", 9}, {"name", "Pad"}, {"enabled", true}}));

  const std::vector<int> changed{2, 24};
  const QJsonObject s = QJsonDocument::fromJson(BrowserSlotsMessage(state, changed)).object();
  EXPECT_EQ(s["type"], "slots");
  ASSERT_EQ(s["slots"].toArray().size(), 2);
  EXPECT_EQ(s["slots"].toArray()[1].toObject()["caption"], "Last");
}

}  // namespace
}  // namespace quorvane
