// Checks of the two command sets as data: the rows and their order, the
// keyword lists of every (row, slot) pair, the help records given word for
// word, and the rules every help record follows. A slip in the tables (a row
// out of place, a list on the wrong slot, a changed text) fails here.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "assist/command_dictionary.h"

using namespace qb;

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

std::vector<std::string> WordsOf(const KeywordList* list) {
  std::vector<std::string> words;
  if (list) {
    for (int i = 0; i < list->Count; ++i) words.push_back(list->Words[i]);
  }
  return words;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The keyword of a pattern: up to the first ',' or '?'.
std::string KeywordOf(const std::string& pattern) {
  return pattern.substr(0, pattern.find_first_of(",?"));
}

const char* const kHxaPatterns =
    "*cls *ese, *esr? *idn? *opc? *rst *sre, *sre? *stb? *trg *tst? *wai abort alarm,, alarm? alarm1,,,, "
    "alarm2,,,, alarme, alarme? applic, applic,, bandwi, bandwi,, bandwi,? beep blanki, calver, calver? "
    "config,, config,? coupli,, coupli,? datalo,, datalo,,, datalo,? datalo,,? dav? daver, daver? "
    "display, display? effici, effici? fast, fqlock, fqref, fqref,, freqfi, freque, harmon harmon,,, "
    "harmon? harmon,? harmon,series? harmon,,series? hold, input,, integr integr,, integr,runtim,, "
    "integr? integr,? keyboa, lcr lcr, lcr? lcr,? lowfre, mode, mslave, multil,0 multil,,, multil? "
    "multil,? newloc noisef,,, noover, pfconv, phasem phasem, phasem? phasem,? phconv, power power, "
    "power? power,? power,,? progra,, progra? range,, range,,, resolu, result,, result? rezero scale,, "
    "scope? scope,? scope,,? screen? screen,colour? setup,, setup? shunt,, smooth, smooth,, speed, "
    "speed,window, start status? status,? stop suspen, tagrep, temper,,, temper? torqsp,,, "
    "torqsp,offset,, torqsp? user? varcon, versio? vrms vrms? vrms,,? wiring, zero zero,delete zoom, "
    "zoom,, zoom,,, zoom,,,, zoom,,,,, zoom? ";

const char* const kZtqPatterns =
    "*cls *ese, *esr? *idn? *opc? *rst *sre, *sre? *stb? *trg *tst? *wai abort amplit, beep blanki, "
    "blanki,, config,, config,? dav? daver, daver? filter, filter,, fra fra? fra,sweep? freque, fsweep, "
    "fsweep,, fsweep,,, fsweep,,,, gainph gainph? gainph,sweep? hold, input, input,, keyboa, lcr lcr, "
    "lcr? lcr,sweep? marker, marker,, mode, output,, phconv, progra? range,, range,,, resolu, result,, "
    "result,? rezero scale,, screen? screen,colour? ztq, ztq,, ztq,,, ztq,,,, ztq? ztq,sweep? speed, "
    "speed,, start status? status,? stop tfa tfa? tfa,sweep? user? versio? vswr vswr, vswr,, vswr? "
    "vswr,sweep? wavefo, zero zero, zero,, zero,,,, ";

// The keyword lists by row: "slot=word|word;slot=word".
struct Assignment {
  int row;
  const char* lists;
};

const Assignment kHxaAssignments[] = {
    {13, "1=on|off;2=enabled|disabled"},                                                            // alarm,,
    {15, "1=disabled|high|low|inside|outside|linear"},                                              // alarm1,,,,
    {16, "1=disabled|high|low|inside|outside"},                                                     // alarm2,,,,
    {19, "1=normal|pwm|ballast|inrush|powert|standb"},                                              // applic,
    {20, "1=normal|pwm|ballast|inrush|powert|standb"},                                              // applic,,
    {21, "1=wide|low|dconly"},                                                                      // bandwi,
    {22, "1=phase1|phase2|phase3;2=wide|low|dconly"},                                               // bandwi,,
    {23, "1=phase1|phase2|phase3"},                                                                 // bandwi,?
    {25, "1=on|off"},                                                                               // blanki,
    {30, "1=phase1|phase2|phase3;2=ac+dc|aconly|dconly"},                                           // coupli,,
    {31, "1=phase1|phase2|phase3"},                                                                 // coupli,?
    {32, "1=disable|ram|nonvol|recall|delete"},                                                     // datalo,,
    {33, "1=disable|ram|nonvol|recall|delete;3=high"},                                              // datalo,,,
    {34, "1=0|lines"},                                                                              // datalo,?
    {39, "1=phase1|phase2|phase3|sum|neutral|total|fundamental|voltage|current"},                   // display,
    {43, "1=on|off"},                                                                               // fast,
    {44, "1=on|off"},                                                                               // fqlock,
    {45, "1=phase1|phase2|phase3|voltage|current|speed|ac line"},                                   // fqref,
    {46, "2=voltage|current|speed|ac line"},                                                        // fqref,,
    {47, "1=on|off"},                                                                               // freqfi,
    {49, "1=thdd|thds|tif|thf|tdd|trd|hphase|ph-ph|series"},                                        // harmon
    {50, "1=thdd|thds|tif|thf|tdd|trd|hphase|ph-ph|series"},                                        // harmon,,,
    {51, "1=phase1|phase2|phase3|neutral|phases"},                                                  // harmon?
    {52, "1=phase1|phase2|phase3|neutral|phases"},                                                  // harmon,?
    {53, "1=phase1|phase2|phase3|neutral|phases"},                                                  // harmon,series?
    {54, "1=phase1|phase2|phase3|neutral|phases;2=series"},                                         // harmon,,series?
    {55, "1=on|off"},                                                                               // hold,
    {56, "1=ch1|ch2;2=intern|extatt|extshu"},                                                       // input,,
    {57, "1=signed|magnitude|runtim;2=total|average"},                                              // integr
    {58, "1=signed|magnitude|runtim"},                                                              // integr,,
    {61, "1=phase1|phase2|phase3|phases|sum"},                                                      // integr,?
    {62, "1=enable|disable"},                                                                       // keyboa,
    {64, "1=auto|capacitance|inductance|impedance"},                                                // lcr,
    {66, "1=phase1|phase2|phase3|phases"},                                                          // lcr,?
    {67, "1=on|off"},                                                                               // lowfre,
    {68, "1=power|integr|harmon|rms|lcr|scope|phasem"},                                             // mode,
    {69, "1=disable|master|slave"},                                                                 // mslave,
    {75, "1=phase1|phase2|phase3;2=on|off"},                                                        // noisef,,,
    {76, "1=on|off"},                                                                               // noover,
    {77, "1=neglag|neglea"},                                                                        // pfconv,
    {78, "1=ch1|ch2"},                                                                              // phasem
    {81, "1=phase1|phase2|phase3|phases"},                                                          // phasem,?
    {82, "1=180|-360|+360"},                                                                        // phconv,
    {84, "1=total|average"},                                                                        // power,
    {86, "1=phase1|phase2|phase3|phases|sum|neutral|watts|voltage|current|vectors|rms|wva|ph-ph"},  // power,?
    {87,
     "1=phase1|phase2|phase3|phases|sum|neutral|watts|voltage|current|vectors|rms|wva|ph-ph;2=watts|voltage|current|"
     "vectors|rms|wva|ph-ph"},                                                 // power,,?
    {88, "1=recall|store|delete"},                                             // progra,,
    {90, "1=ch1|ch2;2=auto|upauto|manual"},                                    // range,,
    {92, "1=normal|high|binary"},                                              // resolu,
    {93, "1=recall|store|delete"},                                             // result,,
    {96, "1=ch1|ch2"},                                                         // scale,,
    {98, "1=phase1|phase2|phase3|neutra|voltage|current"},                     // scope,?
    {99, "1=phase1|phase2|phase3|neutra|voltage|current;2=voltage|current"},   // scope,,?
    {104, "1=ch1|ch2"},                                                        // shunt,,
    {105, "1=none|normal|slow"},                                               // smooth,
    {106, "1=none|normal|slow;2=auto|fixed"},                                  // smooth,,
    {107, "1=very fast|fast|medium|slow|vslow|window"},                        // speed,
    {108, "1=very fast|fast|medium|slow|vslow|window"},                        // speed,window,
    {111, "1=ch1|ch2|ch3|ch4|ch5|ch6"},                                        // status,?
    {113, "1=on|off"},                                                         // suspen,
    {114, "1=on|off"},                                                         // tagrep,
    {115, "1=disabled|centig|farhen"},                                         // temper,,,
    {117, "1=disabled|analog|pulsed|offset"},                                  // torqsp,,,
    {118, "1=disabled|analog|pulsed|offset"},                                  // torqsp,offset,,
    {121, "1=neglag|neglea"},                                                  // varcon,
    {125, "1=rms|mean|surge;2=phase1|phase2|phase3|phases"},                   // vrms,,?
    {126, "1=single|2phase|3ph2wa|3ph3wa|indph3|phase1|phase2|phase3|indep"},  // wiring,
};

const Assignment kZtqAssignments[] = {
    {15, "1=on|off"},                                                                       // blanki,
    {16, "1=on|off"},                                                                       // blanki,,
    {22, "1=none|normal|slow;2=auto|fixed"},                                                // filter,
    {23, "1=none|normal|slow;2=auto|fixed"},                                                // filter,,
    {25, "1=sweep"},                                                                        // fra?
    {26, "1=sweep"},                                                                        // fra,sweep?
    {28, "4=logari|linear"},                                                                // fsweep,
    {29, "4=logari|linear"},                                                                // fsweep,,
    {30, "4=logari|linear"},                                                                // fsweep,,,
    {31, "4=logari|linear"},                                                                // fsweep,,,,
    {33, "1=sweep"},                                                                        // gainph?
    {34, "1=sweep"},                                                                        // gainph,sweep?
    {35, "1=on|off"},                                                                       // hold,
    {36, "1=hilevel|power|lolevel|balance;2=50ohms|75ohms|600ohms|hiimpedance"},            // input,
    {37, "1=hilevel|power|lolevel|balance;2=50ohms|75ohms|600ohms|hiimpedance"},            // input,,
    {38, "1=enable|disable"},                                                               // keyboa,
    {39, "1=impedance|series|parallel"},                                                    // lcr
    {40, "1=impedance|series|parallel"},                                                    // lcr,
    {41, "1=sweep"},                                                                        // lcr?
    {42, "1=sweep"},                                                                        // lcr,sweep?
    {43, "1=off|single|dual"},                                                              // marker,
    {44, "1=off|single|dual"},                                                              // marker,,
    {45, "1=ztq|lcr|vswr|fra|scope"},                                                       // mode,
    {46, "1=off|lolevel|hilevel;2=50ohms|75ohms|600ohms|hiimpedance"},                      // output,,
    {47, "1=180|-360|+360"},                                                                // phconv,
    {49, "1=ch1|ch2;2=auto|upauto|manual"},                                                 // range,,
    {50, "1=ch1|ch2;2=auto|upauto|manual"},                                                 // range,,,
    {51, "1=normal|high|binary"},                                                           // resolu,
    {52, "1=recall|store|delete"},                                                          // result,,
    {53, "1=files|name"},                                                                   // result,?
    {55, "1=ch1|ch2"},                                                                      // scale,,
    {57, "1=colour"},                                                                       // screen,colour?
    {58, "1=wide|3100hz|1950hz|100hz|360hz|400hz|25hz|3hz"},                                // ztq,
    {59, "1=wide|3100hz|1950hz|100hz|360hz|400hz|25hz|3hz;2=generator|input|single|dual"},  // ztq,,
    {60, "1=wide|3100hz|1950hz|100hz|360hz|400hz|25hz|3hz;2=generator|input|single|dual"},  // ztq,,,
    {61, "1=wide|3100hz|1950hz|100hz|360hz|400hz|25hz|3hz;2=generator|input|single|dual"},  // ztq,,,,
    {63, "1=sweep"},                                                                        // ztq,sweep?
    {64, "1=vfast|fast|medium|slow|vslow|window"},                                          // speed,
    {65, "1=vfast|fast|medium|slow|vslow|window"},                                          // speed,,
    {68, "1=ch1|ch2"},                                                                      // status,?
    {72, "1=sweep"},                                                                        // tfa,sweep?
    {76, "1=impedance|directional"},                                                        // vswr,
    {77, "1=impedance|directional"},                                                        // vswr,,
    {79, "1=sweep"},                                                                        // vswr,sweep?
    {80, "1=sinewa|triang|square|noise"},                                                   // wavefo,
    {81, "1=delete|db|phase|single|sweep|open|short|store|recall"},                         // zero
    {82, "1=delete|db|phase|single|sweep|open|short|store|recall"},                         // zero,
    {83, "1=delete|db|phase|single|sweep|open|short|store|recall"},                         // zero,,
    {84, "1=delete|db|phase|single|sweep|open|short|store|recall"},                         // zero,,,,
};

struct SetUnderTest {
  const CommandDictionary* set;
  int rows;
  const char* patterns;
  const Assignment* assignments;
  int assignmentCount;
  int distinctLists;
};

const SetUnderTest kSets[] = {
    {&HxaCommandSet, 135, kHxaPatterns, kHxaAssignments,
     static_cast<int>(sizeof kHxaAssignments / sizeof kHxaAssignments[0]), 44},
    {&ZtqCommandSet, 85, kZtqPatterns, kZtqAssignments,
     static_cast<int>(sizeof kZtqAssignments / sizeof kZtqAssignments[0]), 25},
};

TEST(CommandSets, HoldEveryPatternInOrder) {
  for (const SetUnderTest& s : kSets) {
    SCOPED_TRACE(s.set->Name);
    std::vector<std::string> expected;
    for (const std::string& p : Split(s.patterns, ' ')) {
      if (!p.empty()) expected.push_back(p);
    }
    ASSERT_EQ(static_cast<int>(expected.size()), s.rows);
    ASSERT_EQ(s.set->Count, s.rows);
    for (int i = 0; i < s.rows; ++i) EXPECT_EQ(s.set->Entries[i].Pattern, expected[i]) << "row " << i;
  }
}

TEST(CommandSets, PatternsAreLowerCaseAndOfTheirLength) {
  for (const SetUnderTest& s : kSets) {
    for (int i = 0; i < s.set->Count; ++i) {
      std::string p = s.set->Entries[i].Pattern;
      EXPECT_GE(p.size(), 3u) << p;
      EXPECT_LE(p.size(), 15u) << p;
      EXPECT_EQ(p, Lower(p));
    }
  }
}

TEST(CommandSets, KeywordListsStandExactlyWhereAssigned) {
  for (const SetUnderTest& s : kSets) {
    SCOPED_TRACE(s.set->Name);
    std::map<int, std::map<int, std::vector<std::string>>> expected;
    for (int a = 0; a < s.assignmentCount; ++a) {
      for (const std::string& slotPart : Split(s.assignments[a].lists, ';')) {
        size_t eq = slotPart.find('=');
        expected[s.assignments[a].row][std::stoi(slotPart.substr(0, eq))] = Split(slotPart.substr(eq + 1), '|');
      }
    }
    int rowsWithLists = 0;
    std::set<const KeywordList*> distinctObjects;
    std::set<std::vector<std::string>> distinctContents;
    for (int row = 0; row < s.set->Count; ++row) {
      bool any = false;
      for (int slot = 1; slot <= kSlotCount; ++slot) {
        const KeywordList* list = s.set->Entries[row].SlotKeywords[slot - 1];
        auto r = expected.find(row);
        bool assigned = r != expected.end() && r->second.count(slot);
        if (!assigned) {
          EXPECT_EQ(list, nullptr) << "row " << row << " slot " << slot;
          continue;
        }
        ASSERT_NE(list, nullptr) << "row " << row << " slot " << slot;
        EXPECT_EQ(WordsOf(list), r->second.at(slot)) << "row " << row << " slot " << slot;
        any = true;
        distinctObjects.insert(list);
        distinctContents.insert(WordsOf(list));
      }
      rowsWithLists += any;
    }
    EXPECT_EQ(rowsWithLists, s.assignmentCount);
    EXPECT_EQ(static_cast<int>(distinctContents.size()), s.distinctLists);
    // Identical lists are one shared list.
    EXPECT_EQ(distinctObjects.size(), distinctContents.size());
  }
  EXPECT_EQ(kSets[0].assignmentCount, 67);
  EXPECT_EQ(kSets[1].assignmentCount, 49);
}

TEST(CommandSets, KeywordsAreShortLowerCaseWords) {
  for (const SetUnderTest& s : kSets) {
    for (int row = 0; row < s.set->Count; ++row) {
      for (const KeywordList* list : s.set->Entries[row].SlotKeywords) {
        if (!list) continue;
        EXPECT_GE(list->Count, 1);
        EXPECT_LE(list->Count, 13);
        for (const std::string& w : WordsOf(list)) {
          EXPECT_GE(w.size(), 1u);
          EXPECT_LE(w.size(), 11u);
          EXPECT_EQ(w, Lower(w));
        }
      }
    }
  }
}

struct GivenRecord {
  const CommandDictionary* set;
  int row;
  const char* texts[1 + kSlotCount];  // help text, then the descriptions
};

const char* const kZoomIndex = "Zoom data index (index on screen,  starting from 1,  left to right,  top to bottom)";

const GivenRecord kGivenRecords[] = {
    {&HxaCommandSet, 9, {"The *TRG command Initiates a new measuremtn,  resetting the range and smoothing"}},
    {&ZtqCommandSet, 9, {"The *TRG command Initiates a new measuremtn,  resetting the range and smoothing"}},
    {&HxaCommandSet, 12, {"The ABORT command aborts datalog data acquisition"}},
    {&ZtqCommandSet, 12, {"The ABORT command aborts an active sweep"}},
    {&HxaCommandSet, 0, {"The *CLS command clears the (SESR) Standard Event Status Register"}},  // *cls
    {&HxaCommandSet,
     15,
     {"The ALARM1 command sets Alarm1 type and threshold",
      "Alarm1 Type { Disabled,  High, Low, Inside, Outside, Linear }", "Alarm1 Data { 1-4 }", "High Threshold",
      "Low Threshold"}},  // alarm1,,,,
    {&HxaCommandSet,
     50,
     {"The HARMON command causes the instrument to enter the HARMONICS mode and can set the harmonics mode settings",
      "Harmonic Formula { THDD (Difference),  THDS (Series),  TIF (Tele Influ Factor),  THF (Tele Harmon Factor),  TDD "
      "(T.Demand Distortion),  TRD (T.Rated Distortion),  HPHASE (Harmonic Phase),  PH-PH (Phase to Phase) }",
      "Individual harmonic number", "Max harmonics number"}},  // harmon,,,
    {&HxaCommandSet,
     54,
     {"The HARMON? command reads HARMONICS results,  waits for next unread data if necessary",
      "Phase { Phase1,  Phase2,  Phase3,  Neutral,  Phases (all phases) } [Additional,  optional parameter] OR Series "
      "{ Series }",
      "Series { Series }"}},  // harmon,,series?
    {&HxaCommandSet,
     87,
     {"The POWER? command reads the POWER analysis results,  waits for next unread data if necessary",
      "Phase { Phase1, Phase2, Phase3, Sum, Neutral (current only) } [Additional,  optional parameter] OR Results { "
      "Watts, Voltage, Current, Vectors, Rms, Wva, Ph-ph }",
      "Results { Watts, Voltage, Current, Vectors, Rms, Wva, Ph-ph }"}},  // power,,?
    {&HxaCommandSet,
     133,
     {"The ZOOM command sets the zoom level and data on the instrument's screen",
      "Zoom Level { 0 (no zoom),  1 (normal zoom),  2 (4 line zoom) [Additonally,  4 optional parameters],  3 (3 line "
      "zoom) [Addiitonally,  3 optional parameters] }",
      kZoomIndex, kZoomIndex, kZoomIndex, kZoomIndex}},  // zoom,,,,,
    {&HxaCommandSet,
     134,
     {"The ZOOM? command returns the zoom level and zoom data index,  returns as follows: { level (0->no zoom, "
      "1->normal zoom,  2-> 4 line zoom,  3->3 line zoom ),  zoom data index,  zoom data,  zoom data index,  zoom data "
      "index,  zoom data index }"}},  // zoom?
    {&ZtqCommandSet,
     23,
     {"The FILTER command sets the filter time constant and dynamic response",
      "Time Constant { None, Normal [Additionally, one optional parameter], Slow [Additionally, one optional "
      "parameter] }",
      "Dynamic Response { Auto, Fixed }"}},  // filter,,
    {&ZtqCommandSet,
     45,
     {"The MODE command sets the basic operating mode of the instrument",
      "Mode { ZTQ,  LCR,  VSWR,  FRA,  SCOPE }"}},  // mode,
    {&ZtqCommandSet,
     61,
     {"The ZTQ command sets the instrument into Selective Level Meter mode, and can set the Selective Level Meter mode "
      "settings",
      "Bandwidth { Wide, 3100hz, 1950hz, 100hz, 360hz, 400hz, 25hz, 3hz }", "Scan { Generator, Input, Single, Dual }",
      "Center Frequency (in Hz)", "Dual Frequency (in Hz)"}},  // ztq,,,,
    {&ZtqCommandSet,
     68,
     {"The STATUS? command queries the instrument for the selected channel condition based on the selected ranging,  "
      "returning Status as Text { Ok,  Over,  Under } OR Range Number { 1-16 },  Range { eg. 300V },  Status as Text { "
      "Ok, Over, Under }",
      "Channel { Ch1, Ch2 }"}},                                                                          // status,?
    {&ZtqCommandSet, 69, {"The STOP command stops the datalog,  and/or stops the integrator running"}},  // stop
    {&ZtqCommandSet,
     80,
     {"The WAVEFO command selects the output waveform for the signal generator",
      "Wave Shape { Sinewa (Sinewave), Triang (Triangle), Square (Square), Noise (White Noise) }"}},  // wavefo,
    {&ZtqCommandSet,
     84,
     {"The ZERO command Applies or removes a zero function depending on the instrument mode (Performs lead "
      "compensation in LCR mode)",
      "Format { Delete, Db [Additionally, one optional parameter], Phase [Additionally, one optional parameter] } OR "
      "LCR Compensation { Single, Sweep [Additionally, three required parameter], Open, Short, Store, Recall }",
      "Offset (Offset value) OR Steps (LCR Sweep compensation steps)",
      "Start Frequency (LCR Compensation start frequency in Hz)",
      "Stop Frequency (LCR Compensation stop frequency in Hz)"}},  // zero,,,,
};

TEST(CommandSets, GivenRecordsAreWordForWord) {
  for (const GivenRecord& g : kGivenRecords) {
    SCOPED_TRACE(std::string(g.set->Name) + " row " + std::to_string(g.row));
    const HelpRecord* record = g.set->Entries[g.row].Help;
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->HelpText, g.texts[0]);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
      const char* actual = record->SlotDescription[slot - 1];
      if (g.texts[slot]) {
        EXPECT_STREQ(actual ? actual : "<none>", g.texts[slot]) << "slot " << slot;
      } else {
        EXPECT_EQ(actual, nullptr) << "slot " << slot;
      }
    }
  }
}

// Rows of one keyword that carry one record: the keyword alone and its full
// command form, every zoom command row, every fsweep row.
TEST(CommandSets, RowsOfOneKeywordShareTheirRecord) {
  const CommandEntry* hxa = HxaCommandSet.Entries;
  const CommandEntry* ztq = ZtqCommandSet.Entries;
  EXPECT_EQ(hxa[49].Help, hxa[50].Help);  // harmon, harmon,,,
  EXPECT_EQ(hxa[19].Help, hxa[20].Help);  // applic, applic,,
  for (int row = 51; row <= 53; ++row) EXPECT_EQ(hxa[row].Help, hxa[54].Help);
  for (int row = 85; row <= 86; ++row) EXPECT_EQ(hxa[row].Help, hxa[87].Help);
  for (int row = 129; row <= 132; ++row) EXPECT_EQ(hxa[row].Help, hxa[133].Help);
  for (int row = 28; row <= 30; ++row) EXPECT_EQ(ztq[row].Help, ztq[31].Help);
  for (int row = 81; row <= 83; ++row) EXPECT_EQ(ztq[row].Help, ztq[84].Help);
  for (int row = 58; row <= 60; ++row) EXPECT_EQ(ztq[row].Help, ztq[61].Help);
  EXPECT_EQ(ztq[22].Help, ztq[23].Help);
  EXPECT_NE(hxa[133].Help, hxa[134].Help);  // zoom? has its own
  for (int slot = 1; slot <= 4; ++slot) EXPECT_NE(ztq[28].Help->SlotDescription[slot - 1], nullptr);
  // Query rows with a slot but no description.
  EXPECT_EQ(hxa[111].Help->SlotDescription[0], nullptr);  // status,?
  EXPECT_EQ(ztq[53].Help->SlotDescription[0], nullptr);   // result,?
  EXPECT_EQ(ztq[63].Help->SlotDescription[0], nullptr);   // ztq,sweep?
}

// Every help text opens "The KEYWORD command" ("The KEYWORD? command" for a
// query), so a record on the wrong row shows; every offered keyword is named
// in its slot's description, between braces (the records given word for word
// stand as they are).
TEST(CommandSets, EveryRowIsExplainedInTheSameManner) {
  const std::set<std::pair<std::string, int>> undescribed = {{"HXA", 111}, {"ZTQ", 53}, {"ZTQ", 63}};
  std::set<const HelpRecord*> given;
  for (const GivenRecord& g : kGivenRecords) given.insert(g.set->Entries[g.row].Help);
  for (const SetUnderTest& s : kSets) {
    for (int row = 0; row < s.set->Count; ++row) {
      const CommandEntry& e = s.set->Entries[row];
      SCOPED_TRACE(std::string(s.set->Name) + " " + e.Pattern);
      ASSERT_NE(e.Help, nullptr);
      ASSERT_NE(e.Help->HelpText, nullptr);
      std::string pattern = e.Pattern;
      std::string keyword = KeywordOf(pattern);
      std::string upper;
      for (char c : keyword) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
      bool query = pattern.back() == '?';
      std::string opening = "The " + upper + (query ? "? command " : " command ");
      EXPECT_EQ(std::string(e.Help->HelpText).substr(0, opening.size()), opening);
      EXPECT_EQ(std::string(e.Help->HelpText).find('\n'), std::string::npos);
      for (int slot = 1; slot <= kSlotCount; ++slot) {
        const KeywordList* list = e.SlotKeywords[slot - 1];
        if (!list || undescribed.count({s.set->Name, row}) || given.count(e.Help)) continue;
        const char* description = e.Help->SlotDescription[slot - 1];
        ASSERT_NE(description, nullptr) << "slot " << slot;
        std::string d = Lower(description);
        size_t open = d.find('{');
        ASSERT_NE(open, std::string::npos) << description;
        for (const std::string& w : WordsOf(list)) EXPECT_NE(d.find(w, open), std::string::npos) << w;
      }
    }
  }
}

TEST(CommandSets, TheEmptySetHasNoRows) {
  EXPECT_EQ(EmptyCommandSet.Count, 0);
  EXPECT_EQ(EmptyKeywordList.Count, 0);
}

}  // namespace
