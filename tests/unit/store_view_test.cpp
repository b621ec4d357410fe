// The store dialogs' decisions: the Programs buttons for a selection, the
// results columns, and the download queue.
#include "stores/store_view.h"

#include <gtest/gtest.h>

namespace {

TEST(StoreView, ProgramButtonsFollowTheSelectedRow) {
  qb::ProgramRow empty, stored;
  stored.stored = true;
  struct Case {
    const qb::ProgramRow* row;
    bool upload, download, remove, overwrite;
  } cases[] = {
      {nullptr, false, false, false, false},
      {&empty, true, false, false, false},
      {&stored, true, true, true, true},
  };
  for (const Case& c : cases) {
    qb::ProgramButtons b = qb::ProgramButtonsFor(c.row);
    EXPECT_EQ(b.upload, c.upload);
    EXPECT_EQ(b.download, c.download);
    EXPECT_EQ(b.remove, c.remove);
    EXPECT_EQ(b.overwrite, c.overwrite);
  }
}

TEST(StoreView, ResultColumnsShareTheWidthBesideTheScrollBar) {
  struct Case {
    int client, scroll, id, name, date;
  } cases[] = {
      {317, 17, 30, 200, 70},  // unit 100
      {100, 17, 8, 54, 18},    // unit 27: 8.1 and 18.9 truncated
      {10, 17, 0, 0, 0},
  };
  for (const Case& c : cases) {
    qb::ResultColumns w = qb::ResultColumnWidths(c.client, c.scroll);
    EXPECT_EQ(w.id, c.id);
    EXPECT_EQ(w.name, c.name);
    EXPECT_EQ(w.date, c.date);
  }
}

TEST(StoreView, TheQueueHoldsEachResultOnceInTheOrderAdded) {
  std::vector<qb::ResultEntry> queue;
  qb::ResultEntry a, b;
  a.number = 4;
  b.number = 12;
  EXPECT_EQ(qb::AddToQueue(queue, b), qb::QueueChange::Added);
  EXPECT_EQ(qb::AddToQueue(queue, a), qb::QueueChange::Added);
  EXPECT_EQ(qb::AddToQueue(queue, b), qb::QueueChange::AlreadyQueued);
  ASSERT_EQ(queue.size(), 2u);
  EXPECT_EQ(queue[0].number, 12u);
  EXPECT_EQ(qb::RemoveFromQueue(queue, -1), qb::QueueChange::NoSelection);
  EXPECT_EQ(qb::RemoveFromQueue(queue, 2), qb::QueueChange::NoSelection);
  EXPECT_EQ(qb::RemoveFromQueue(queue, 0), qb::QueueChange::Removed);
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue[0].number, 4u);
}

}  // namespace
