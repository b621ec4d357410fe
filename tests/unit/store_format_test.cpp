// The store listings, the QZL transfer lines both ways and the store file
// names: what a listing reply becomes, how a file is cut into upload lines
// and what a received line adds to a file.
#include "stores/store_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

qb::ProgramListing Listing(const std::vector<std::string>& lines) {
  qb::ProgramListing listing;
  for (const std::string& line : lines) {
    if (!qb::AddProgramListingLine(listing, line)) break;
  }
  qb::FinishProgramListing(listing);
  return listing;
}

TEST(StoreFormat, ProgramListingsAlwaysGive999RowsWithStoredSlotsInPlace) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<int> storedSlots;
    int skipped;
  } cases[] = {
      {{"3,Sweep,2014-06-25", "empty"}, {3}, 0},
      {{"empty"}, {}, 0},
      {{}, {}, 0},
      {{"1,A,d1", "2,,d2", "999,Last,d3"}, {1, 2, 999}, 0},
      // Lines that cannot be shown: too few fields, no comma, no number,
      // out of order, repeated, out of range.
      {{"4,OnlyName", "nocomma", "x,N,D", "7,B,d", "5,C,d", "7,D,d", "1000,E,d", "0,F,d"}, {7}, 7},
      // The listing ends at "empty"; later lines are not read.
      {{"2,A,d", "empty", "3,B,d"}, {2}, 0},
  };
  for (const Case& c : cases) {
    qb::ProgramListing listing = Listing(c.lines);
    ASSERT_EQ(listing.rows.size(), 999u);
    EXPECT_EQ(listing.skipped, c.skipped) << c.lines.size();
    std::vector<int> stored;
    for (size_t i = 0; i < listing.rows.size(); ++i) {
      const qb::ProgramRow& row = listing.rows[i];
      if (row.stored) {
        stored.push_back(static_cast<int>(i) + 1);
      } else {
        EXPECT_EQ(row.id, std::to_string(i + 1));
        EXPECT_EQ(row.name, " ");
        EXPECT_EQ(row.date, " ");
      }
    }
    EXPECT_EQ(stored, c.storedSlots);
  }
}

TEST(StoreFormat, AStoredProgramShowsItsFieldsAsSentEvenWhenTheNameIsEmpty) {
  qb::ProgramListing listing = Listing({"3,Sweep,2014-06-25 10:00", "12,,2015-01-02,extra"});
  EXPECT_EQ(listing.rows[2].name, "Sweep");
  EXPECT_EQ(listing.rows[2].date, "2014-06-25 10:00");
  EXPECT_TRUE(listing.rows[11].stored);
  EXPECT_EQ(listing.rows[11].name, "");
  EXPECT_EQ(listing.rows[11].date, "2015-01-02");
}

TEST(StoreFormat, ResultListingLinesGiveNumberNameAndDetails) {
  struct Case {
    const char* line;
    qb::ListingStep step;
    uint32_t number;
    const char* name;
    const char* details;
  } cases[] = {
      {"5,Run A,2014-06-25,12:00", qb::ListingStep::Added, 5, "Run A", "2014-06-25,12:00"},
      {"12,,2014-06-26", qb::ListingStep::Added, 12, " ", "2014-06-26"},
      {"7,OnlyName", qb::ListingStep::Added, 7, "OnlyName", ""},
      {"8,,", qb::ListingStep::Added, 8, " ", ""},
      {"no comma here", qb::ListingStep::End, 0, "", ""},
      {"", qb::ListingStep::End, 0, "", ""},
      {"abc,Name,Date", qb::ListingStep::Skipped, 0, "", ""},
      {"-3,Name,Date", qb::ListingStep::Skipped, 0, "", ""},
      {"99999999999,Name,Date", qb::ListingStep::Skipped, 0, "", ""},
  };
  for (const Case& c : cases) {
    qb::ResultListing listing;
    EXPECT_EQ(qb::AddResultListingLine(listing, c.line), c.step) << c.line;
    if (c.step != qb::ListingStep::Added) {
      EXPECT_TRUE(listing.entries.empty());
      EXPECT_EQ(listing.skipped, c.step == qb::ListingStep::Skipped ? 1 : 0);
      continue;
    }
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].number, c.number);
    EXPECT_EQ(listing.entries[0].name, c.name);
    EXPECT_EQ(listing.entries[0].details, c.details);
  }
}

// (The 999-entry limit is the store exchange's listing case, over the wire.)
TEST(StoreFormat, TheResultsTableClipsLongFields) {
  qb::ResultListing longFields;
  qb::AddResultListingLine(longFields, "1," + std::string(400, 'n') + "," + std::string(400, 'd'));
  EXPECT_EQ(longFields.entries[0].name.size(), 255u);
  EXPECT_EQ(longFields.entries[0].details.size(), 255u);
}

TEST(StoreFormat, BlockHeadersCountInHexLeastSignificantDigitFirst) {
  const std::pair<int, const char*> cases[] = {{0, "#X0000"},  {1, "#X1000"},  {10, "#XA000"},
                                               {15, "#XF000"}, {16, "#X0100"}, {0x1234, "#X4321"}};
  for (const auto& c : cases) EXPECT_EQ(qb::QzlBlockHeader(c.first), c.second);
}

TEST(StoreFormat, UploadsSendWhole64ByteBlocksAtMostSixteen) {
  std::string file;
  for (int i = 0; i < 2000; ++i) file += static_cast<char>('A' + i % 26);
  const std::pair<size_t, size_t> sizes[] = {{1024, 16}, {1000, 15}, {2000, 16}, {63, 0}, {64, 1}, {0, 0}};
  for (const auto& s : sizes) {
    std::vector<std::string> lines = qb::QzlUploadLines(file.substr(0, s.first));
    ASSERT_EQ(lines.size(), s.second) << s.first;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i], qb::QzlBlockHeader(static_cast<int>(i)) + file.substr(i * 64, 64) + "00\n");
    }
  }
  // A block stops at its first zero byte.
  std::string binary(128, 'b');
  binary[70] = '\0';
  std::vector<std::string> lines = qb::QzlUploadLines(binary);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "#X1000" + std::string(6, 'b') + "00\n");
}

TEST(StoreFormat, AReceivedLineAddsItsPayloadWithoutHeaderAndTrailer) {
  const std::string payload(64, 'p');
  struct Case {
    std::string line;
    bool ok;
    std::string payload;
  } cases[] = {
      {"#X1000" + payload + "00", true, payload},
      {"#X0000ab00", true, "ab"},
      {"#X000000", true, ""},
      {"#X0000a", false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    std::string got = "unchanged";
    EXPECT_EQ(qb::QzlLinePayload(c.line, got), c.ok) << c.line;
    EXPECT_EQ(got, c.ok ? c.payload : "unchanged");
  }
}

TEST(StoreFormat, SaveNamesGetTheQzlExtensionUnlessTheyHaveOne) {
  const std::pair<const char*, const char*> cases[] = {
      {"prog", "prog.QZL"},
      {"prog.txt", "prog.txt"},
      {"prog.QZL", "prog.QZL"},
      {"a.b", "a.b.QZL"},
      {"ab", "ab.QZL"},
      {"C:\\x\\p.qzl", "C:\\x\\p.qzl"},
      {"dir.v2\\prog", "dir.v2\\prog.QZL"},
  };
  for (const auto& c : cases) EXPECT_EQ(qb::ProgramSaveName(c.first), c.second);
  EXPECT_EQ(qb::ProgramDefaultName(7), "ZTQ_C007");
  EXPECT_EQ(qb::ResultFileName(5), "ZTQ_R005");
  EXPECT_EQ(qb::ResultFileName(1234), "ZTQ_R1234");
  EXPECT_EQ(qb::JoinPath("out/", "f"), "out/f");
  EXPECT_EQ(qb::JoinPath("C:\\out\\", "f"), "C:\\out\\f");
}

}  // namespace
