// The trend's and the sweep's portable parts: readings taken out of replies,
// the settings of a sweep and the text they are sent as, the placeholder,
// limits and statistics, the schedule, time stamps, the CSV files of a trend
// and of a sweep (complete and stopped), the chart's scales, and the chart
// image itself, saved as PNG and judged by ImageMagick: the limit line, a
// negative value below the zero line, a reading outside the limits marked,
// and the second value axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "measure/chart.h"
#include "measure/measure_values.h"
#include "measure/sweep.h"
#include "measure/trend.h"
#include "support/host.h"

using namespace qb;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

Reading Number(double value) {
  Reading r;
  r.kind = Reading::kNumber;
  r.value = value;
  return r;
}

Reading Text(const std::string& text) {
  Reading r;
  r.kind = Reading::kNotANumber;
  r.text = text;
  return r;
}

TEST(MeasureValues, AReadingIsTheNumberAtTheStartOrInTheFirstFieldThatHoldsOne) {
  const struct {
    const char* reply;
    bool number;
    double value;
  } cases[] = {
      {"12.5", true, 12.5},
      {"  -1.5E-3,2,3", true, -1.5e-3},
      {"+7", true, 7},
      {".25", true, 0.25},
      {"1.00002E0", true, 1.00002},  // a packed number's text
      {"4.5 W", true, 4.5},
      {"W,7.25", true, 7.25},
      {"OVER,RANGE", false, 0},
      {"OVERLOAD", false, 0},
      {"", false, 0},
      {"nan", false, 0},
      {"inf,-infinity", false, 0},
      {"1e999", false, 0},  // beyond a double: not a number rather than infinity
      {"-", false, 0},
      {"e5", false, 0},
      {"3e", true, 3},  // an exponent without digits is not part of the number
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    Reading r = ReadingFromReply(c.reply);
    EXPECT_EQ(r.kind, c.number ? Reading::kNumber : Reading::kNotANumber);
    if (c.number) {
      EXPECT_DOUBLE_EQ(r.value, c.value);
    }
    EXPECT_EQ(r.text, c.reply);
  }
}

TEST(MeasureValues, SettingsAreSentWithSixSignificantDigitsAndNoExponent) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{1000, "1000"},
               {3162.2776601683795, "3162.28"},
               {1e6, "1000000"},
               {0.00015, "0.00015"},
               {-2.5, "-2.5"},
               {0, "0"},
               {1.5e-7, "0.00000015"},
               {123456789, "123456789"},
               {-0.0000001, "-0.0000001"},
               {1e-20, "0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SettingText(c.value), c.text);
  }
}

TEST(MeasureValues, SweepSettingsInOrderOrAClearMessage) {
  const struct {
    SweepSpacing spacing;
    double from, to;
    int steps;
    const char* list;
    std::vector<double> settings;  // empty: refused
    const char* message;
  } cases[] = {
      {SweepSpacing::kLinear, 1, 5, 5, "", {1, 2, 3, 4, 5}, ""},
      {SweepSpacing::kLinear, 5, 1, 3, "", {5, 3, 1}, ""},
      {SweepSpacing::kLinear, -1, 1, 3, "", {-1, 0, 1}, ""},
      {SweepSpacing::kLinear, 7, 9, 1, "", {7}, ""},
      {SweepSpacing::kLogarithmic, 10, 1000, 3, "", {10, 100, 1000}, ""},
      {SweepSpacing::kLogarithmic, 1000, 10, 5, "", {1000, 316.228, 100, 31.6228, 10}, ""},
      {SweepSpacing::kList, 0, 0, 0, "1, 2 ,5;10\t20", {1, 2, 5, 10, 20}, ""},
      {SweepSpacing::kLinear, 1, 5, 0, "", {}, "A sweep takes 1 to 100000 steps."},
      {SweepSpacing::kLinear, 1, 5, 100001, "", {}, "A sweep takes 1 to 100000 steps."},
      {SweepSpacing::kLinear, kNaN, 5, 3, "", {}, "The sweep's start and end must be numbers."},
      {SweepSpacing::kLogarithmic, 0, 100, 3, "", {}, "A logarithmic sweep runs between settings above zero."},
      {SweepSpacing::kLogarithmic, -10, 100, 3, "", {}, "A logarithmic sweep runs between settings above zero."},
      {SweepSpacing::kList, 0, 0, 0, "1,2,AUTO", {}, "The sweep list holds \"AUTO\", which is not a number."},
      {SweepSpacing::kList, 0, 0, 0, " , ", {}, "The sweep list holds no settings."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to) + " " + c.list);
    SweepRange range;
    range.spacing = c.spacing;
    range.from = c.from;
    range.to = c.to;
    range.steps = c.steps;
    range.listText = c.list;
    std::vector<double> settings;
    std::string error;
    ASSERT_EQ(SweepSettings(range, settings, error), !c.settings.empty()) << error;
    EXPECT_EQ(error, c.message);
    ASSERT_EQ(settings.size(), c.settings.size());
    for (size_t i = 0; i < settings.size(); ++i) EXPECT_DOUBLE_EQ(settings[i], c.settings[i]) << i;
  }
}

TEST(MeasureValues, ThePlaceholderTakesTheSettingEverywhereAndIsRequired) {
  const struct {
    const char* command;
    const char* filled;  // null: refused
  } cases[] = {{"FREQUE,{}", "FREQUE,316.228"},
               {"{}", "316.228"},
               {"FSWEEP,{},{},1", "FSWEEP,316.228,316.228,1"},
               {"FREQUE,{ }", nullptr},
               {"FREQUE,1000", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    std::string filled, error;
    EXPECT_EQ(FillPlaceholder(c.command, SettingText(316.2277), filled, error), c.filled != nullptr);
    if (c.filled) {
      EXPECT_EQ(filled, c.filled);
    } else {
      EXPECT_EQ(error, "The set command needs a {} where the setting goes (for example FREQUE,{}).");
    }
  }
}

TEST(MeasureValues, LimitsJudgeAsTheScriptTestsDoAndStatisticsCountEveryKind) {
  Limits both{true, true, -10, 30}, low{true, false, -10, 0}, high{false, true, 0, 30}, none;
  const struct {
    const Limits* limits;
    double value;
    bool outside;
  } cases[] = {{&both, -10, false},  {&both, 30, false},   {&both, -10.5, true}, {&both, 30.5, true},
               {&both, kNaN, false}, {&low, -11, true},    {&low, 1e9, false},   {&high, 31, true},
               {&high, -1e9, false}, {&none, 1e300, false}};
  for (const auto& c : cases) EXPECT_EQ(OutsideLimits(*c.limits, c.value), c.outside) << c.value;

  RunningStats stats;
  for (const Reading& r : {Number(4), Number(-20), Text("OVER"), Reading{}, Number(35), Number(1)})
    AddToStats(stats, r, both);
  EXPECT_EQ(stats.numbers, 4);
  EXPECT_EQ(stats.notNumbers, 1);
  EXPECT_EQ(stats.noReplies, 1);
  EXPECT_EQ(stats.outside, 2);
  EXPECT_DOUBLE_EQ(stats.latest, 1);
  EXPECT_DOUBLE_EQ(stats.min, -20);
  EXPECT_DOUBLE_EQ(stats.max, 35);
  EXPECT_DOUBLE_EQ(stats.mean, 5);
}

TEST(MeasureValues, TimeStampsAreIso8601InUtcWithMilliseconds) {
  const struct {
    int64_t ms;
    const char* text;
  } cases[] = {{0, "1970-01-01T00:00:00.000Z"},
               {951782400000 + 86399999, "2000-02-29T23:59:59.999Z"},
               {1709211909042, "2024-02-29T13:05:09.042Z"},
               {4107542400000, "2100-03-01T00:00:00.000Z"},
               {-1, "1969-12-31T23:59:59.999Z"}};
  for (const auto& c : cases) EXPECT_EQ(IsoTimestamp(c.ms), c.text);
}

TEST(MeasureValues, TheScheduleKeepsItsGridAndSkipsOnlyWhatIsAPeriodBehind) {
  const struct {
    int64_t after;
    uint64_t now;
    int64_t next;
  } cases[] = {{0, 1003, 1}, {4, 1249, 5}, {4, 1251, 5}, {4, 1299, 5}, {4, 1300, 6}, {4, 1730, 14}, {9, 900, 10}};
  for (const auto& c : cases) EXPECT_EQ(NextSampleIndex(c.after, 1000, 50, c.now), c.next) << c.now;
}

TEST(MeasureValues, TrendSettingsThatCannotRunAreRefused) {
  const struct {
    std::vector<std::string> queries;
    int period;
    Limits limits;
    const char* error;
  } cases[] = {
      {{"POWER?"}, 50, {}, ""},
      {{}, 500, {}, "Give at least one query to watch (for example POWER?)."},
      {{"A?", "B?", "C?", "D?", "E?", "F?", "G?", "H?", "I?"}, 500, {}, "A trend watches at most 8 queries."},
      {{"POW\nER?"}, 500, {}, "A query must be one line of text."},
      {{"POWER?"}, 49, {}, "The period must lie between 50 ms and one hour."},
      {{"POWER?"}, 500, {true, true, 5, 1}, "The low limit lies above the high limit."},
  };
  for (const auto& c : cases) {
    TrendSettings s;
    s.queries = c.queries;
    s.periodMs = c.period;
    s.limits = c.limits;
    std::string error;
    const bool accepted = CheckTrendSettings(s, error);
    EXPECT_EQ(accepted, error.empty());
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(QueriesFromLines(" POWER? \r\n\r\nPOWER,PHASE1?\nVRMS?"),
            (std::vector<std::string>{"POWER?", "POWER,PHASE1?", "VRMS?"}));
}

// ---- the CSV files -----------------------------------------------------------------

TEST(MeasureCsv, NumbersAreWrittenAsShortAsGivesThemBackExactly) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{20, "20"},
               {-0.0, "0"},
               {0.1, "0.1"},
               {-230.125, "-230.125"},
               {1e20, "1e+20"},
               {1.5e-7, "1.5e-07"},
               {123456789012, "123456789012"},
               {1.0 / 3, "0.3333333333333333"}};
  for (const auto& c : cases) EXPECT_EQ(CsvReading(Number(c.value)), c.text);
  EXPECT_EQ(CsvReading(Reading{}), "");
  EXPECT_EQ(CsvReading(Text(" OVER")), "\" OVER\"");
}

TEST(MeasureCsv, ATrendStreamsEveryReadingAndNotesALostLink) {
  std::string dir = qbtest::MakeScratchDir("trend-csv");
  TrendLog log;
  std::string error;
  ASSERT_TRUE(log.Open(dir + "/trend.csv", {"POWER?", "POWER,PHASE1?"}, Limits{}, error)) << error;
  TrendSample a{1709211909042, {Number(12.5), Number(-0.1)}};
  TrendSample b{1709211909542, {Text("OVER \"range\""), Reading{}}};
  TrendSample c{1709211910042, {Number(1e-9), Text("1,2 ")}};
  log.Add(a);
  EXPECT_EQ(qbtest::ReadHostFile(dir + "/trend.csv"),
            "time,POWER?,\"POWER,PHASE1?\"\n2024-02-29T13:05:09.042Z,12.5,-0.1\n")
      << "each sample is in the file as soon as it is added";
  log.Add(b);
  log.Add(c);
  log.Note("link lost: the instrument did not answer");
  const std::string expected =
      "time,POWER?,\"POWER,PHASE1?\"\n"
      "2024-02-29T13:05:09.042Z,12.5,-0.1\n"
      "2024-02-29T13:05:09.542Z,\"OVER \"\"range\"\"\",\n"
      "2024-02-29T13:05:10.042Z,1e-09,\"1,2 \"\n"
      "# link lost: the instrument did not answer\n";
  EXPECT_EQ(qbtest::ReadHostFile(dir + "/trend.csv"), expected);
  ASSERT_TRUE(log.CopyCsvTo(dir + "/export.csv", error)) << error;
  EXPECT_EQ(qbtest::ReadHostFile(dir + "/export.csv"), expected);
  EXPECT_EQ(log.StatsLine(0), "POWER?: latest 1e-09, min 1e-09, max 12.5, mean 6.25 (2 numbers, 1 not a number)");
  EXPECT_EQ(log.StatsLine(1),
            "POWER,PHASE1?: latest -0.1, min -0.1, max -0.1, mean -0.1 (1 number, 1 not a number, 1 no reply)");

  ASSERT_TRUE(log.Clear(error));
  EXPECT_EQ(qbtest::ReadHostFile(dir + "/trend.csv"), "time,POWER?,\"POWER,PHASE1?\"\n");
  EXPECT_EQ(log.Samples(), 0);
  EXPECT_FALSE(log.CopyCsvTo(dir + "/no-such-folder/x.csv", error));
  EXPECT_NE(error.find("could not be written"), std::string::npos) << error;
}

TEST(MeasureCsv, TheChartKeepsTheNewestSamplesOnlyAndTheirTextShort) {
  std::string dir = qbtest::MakeScratchDir("trend-ring");
  TrendLog log;
  std::string error;
  ASSERT_TRUE(log.Open(dir + "/t.csv", {"Q?"}, Limits{}, error));
  const size_t total = TrendLog::kChartSamples + 10;
  for (size_t i = 0; i < total; ++i)
    log.Add(TrendSample{static_cast<int64_t>(i) * 100,
                        {i % 2 ? Number(static_cast<double>(i)) : Text(std::string(1000, 'x'))}});
  EXPECT_EQ(log.Samples(), static_cast<int64_t>(total));
  ASSERT_EQ(log.Newest().size(), TrendLog::kChartSamples);
  EXPECT_EQ(log.Newest().front().epochMs, 1000);
  EXPECT_EQ(log.Newest().front().readings[0].text.size(), TrendLog::kKeptReplyText);
  EXPECT_EQ(log.Stats()[0].numbers, static_cast<int64_t>(total / 2));
  ChartContent chart = log.Chart("");
  ASSERT_EQ(chart.series.size(), 1u);
  EXPECT_DOUBLE_EQ(chart.series[0].x.front(), 1.0) << "seconds since the first sample of the trend";
  EXPECT_TRUE(std::isnan(chart.series[0].y.front())) << "a reply that is not a number is not drawn";
  // Every line is in the file: the header and one per sample.
  std::string text = qbtest::ReadHostFile(dir + "/t.csv");
  EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), total + 1);
}

SweepPlan GainPhasePlan() {
  SweepPlan plan;
  plan.setCommand = "FREQUE,{}";
  plan.settings = {10, 100, 1000};
  plan.logAxis = true;
  plan.queries = {"GAIN?", "PHASE?"};
  return plan;
}

SweepResult Rows(int rows, SweepEnd end) {
  SweepResult r;
  r.plannedSteps = 3;
  r.end = end;
  const double settings[] = {10, 100, 1000};
  for (int i = 0; i < rows; ++i)
    r.rows.push_back({i + 1,
                      settings[i],
                      SettingText(settings[i]),
                      1709211909042 + i * 1000,
                      {Number(-0.001 * i), i == 1 ? Reading{} : Number(-10.0 * i)}});
  return r;
}

TEST(MeasureCsv, ASweepTableSaysWhenItIsIncomplete) {
  const struct {
    SweepResult result;
    const char* last;
  } cases[] = {
      {Rows(3, SweepEnd::kComplete), "3,1000,2024-02-29T13:05:11.042Z,-0.002,-20\n"},
      {Rows(2, SweepEnd::kStopped), "# incomplete: Sweep incomplete: stopped after 2 of 3 steps.\n"},
      {[] {
         SweepResult r = Rows(1, SweepEnd::kLinkFailed);
         r.failure = "the instrument did not answer 3 queries in a row";
         return r;
       }(),
       "# incomplete: Sweep incomplete: 1 of 3 steps measured; the instrument did not answer 3 queries in a row.\n"},
  };
  for (const auto& c : cases) {
    std::string text = SweepCsvText(GainPhasePlan(), c.result);
    SCOPED_TRACE(text);
    EXPECT_EQ(text.rfind("step,\"FREQUE,{}\",time,GAIN?,PHASE?\n1,10,2024-02-29T13:05:09.042Z,0,0\n", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - std::string(c.last).size()), c.last);
    EXPECT_EQ(text.find("# incomplete") == std::string::npos, c.result.end == SweepEnd::kComplete);
  }
  EXPECT_NE(
      SweepCsvText(GainPhasePlan(), Rows(2, SweepEnd::kComplete)).find("2,100,2024-02-29T13:05:10.042Z,-0.001,\n"),
      std::string::npos)
      << "a missing reply is an empty field";
  std::string dir = qbtest::MakeScratchDir("sweep-csv"), error;
  ASSERT_TRUE(WriteSweepCsv(dir + "/s.csv", GainPhasePlan(), Rows(2, SweepEnd::kStopped), error)) << error;
  EXPECT_EQ(qbtest::ReadHostFile(dir + "/s.csv"), SweepCsvText(GainPhasePlan(), Rows(2, SweepEnd::kStopped)));
}

// ---- the chart ----------------------------------------------------------------------

TEST(MeasureChart, ScalesStepByOneTwoOrFiveAndLabelTheirTicks) {
  const struct {
    double min, max, low, high, step;
  } cases[] = {{-37, 52, -40, 60, 20},
               {0, 3, 0, 3, 1},
               {5, 5, 4.4, 5.6, 0.2},
               {0, 0, -1, 1, 0.5},
               {0.001, 0.0042, 0.001, 0.005, 0.001},
               {-230, -229, -230, -229, 0.2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.min) + ".." + std::to_string(c.max));
    AxisScale s = NiceScale(c.min, c.max);
    EXPECT_NEAR(s.low, c.low, 1e-9);
    EXPECT_NEAR(s.high, c.high, 1e-9);
    EXPECT_NEAR(s.step, c.step, 1e-12);
  }
  const struct {
    AxisScale scale;
    double value;
    const char* label;
  } labels[] = {
      {NiceScale(-37, 52), -40, "-40"},  {NiceScale(5, 5), 4.8, "4.8"},      {NiceScale(0.001, 0.0042), 0.004, "0.004"},
      {NiceScale(-1, 1), 1e-17, "0.0"},  {NiceScale(0, 3e7), 1e7, "1e+07"},  {DecadeScale(7, 20000), 1000, "1k"},
      {DecadeScale(7, 20000), 10, "10"}, {DecadeScale(1e-4, 1), 1e-3, "1m"}, {DecadeScale(1e5, 2e7), 1e7, "10M"}};
  for (const auto& l : labels) EXPECT_EQ(TickLabel(l.scale, l.value), l.label);
  AxisScale decades = DecadeScale(7, 20000);
  EXPECT_DOUBLE_EQ(decades.low, 1);
  EXPECT_DOUBLE_EQ(decades.high, 100000);
}

// A pixel of a PNG file as ImageMagick reads it: "r,g,b".
std::string PixelOfPng(const std::string& path, int x, int y) {
  const std::string at = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
  const std::string out = path + ".pixel";
  std::string format;
  for (const char* c : {".r", ".g", ".b"})
    format += std::string(format.empty() ? "" : ",") + "%[fx:int(255*" + at + c + "+0.5)]";
  if (qbtest::RunHost({"/bin/sh", "-c", "convert '" + path + "' -format '" + format + "' info: > '" + out + "'"}) != 0)
    return "(convert failed)";
  return qbtest::ReadHostFile(out);
}

std::string Colour(Rgb c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

TEST(MeasureChart, TheSavedPictureShowsLimitsNegativeValuesMarksAndTheSecondAxis) {
  ChartContent trend;
  trend.title = "Trend";
  trend.xLabel = "Time (s)";
  trend.limits = {true, true, -18, 30};
  trend.series.push_back({"POWER?", {0, 1, 2, 3}, {5, -15, 35, 12}, false});

  ChartContent sweep;
  sweep.logX = true;
  sweep.series.push_back({"GAIN?", {10, 100, 1000, 10000}, {0, -0.01, -3, -40}, false});
  sweep.series.push_back({"PHASE?", {10, 100, 1000, 10000}, {-0.8, -8.1, -90, -171.9}, true});

  const int width = 480, height = 300;
  const ChartFrame t = LayOutChart(trend, width, height), s = LayOutChart(sweep, width, height);
  ASSERT_TRUE(s.hasRight);
  ASSERT_FALSE(t.hasRight);
  const int zeroRow = ChartY(t, t.yLeft, 0), negativeRow = ChartY(t, t.yLeft, -15);
  ASSERT_GT(negativeRow, zeroRow) << "a negative value lies below the zero line";
  ASSERT_LT(negativeRow, t.bottom) << "and inside the plot";
  // A logarithmic axis spaces decades evenly.
  EXPECT_NEAR(ChartX(s, 100) - ChartX(s, 10), ChartX(s, 1000) - ChartX(s, 100), 1);

  const struct {
    const char* what;
    const ChartContent* content;
    int x, y;
    Rgb colour;
  } cases[] = {
      {"the high limit line", &trend, t.left + 2, ChartY(t, t.yLeft, 30), kLimitColour},
      {"the low limit line", &trend, t.left + 2, ChartY(t, t.yLeft, -18), kLimitColour},
      {"the negative reading", &trend, ChartX(t, 1), negativeRow, kSeriesColours[0]},
      {"the reading above the high limit", &trend, ChartX(t, 2), ChartY(t, t.yLeft, 35), kSeriesColours[0]},
      {"its mark", &trend, ChartX(t, 2) + 4, ChartY(t, t.yLeft, 35), kLimitColour},
      {"no mark on a reading inside the limits", &trend, ChartX(t, 1) + 4, negativeRow, kChartBackground},
      {"the zero line", &trend, t.right - 3, zeroRow, {150, 150, 150}},
      {"the gain on the left axis", &sweep, ChartX(s, 1000), ChartY(s, s.yLeft, -3), kSeriesColours[0]},
      {"the phase on the right axis", &sweep, ChartX(s, 1000), ChartY(s, s.yRight, -90), kSeriesColours[1]},
  };
  std::string dir = qbtest::MakeScratchDir("chart");
  for (const ChartContent* content : {&trend, &sweep}) {
    std::string path = dir + (content == &trend ? "/trend.png" : "/sweep.png"), error;
    ASSERT_TRUE(WritePngFile(path, RenderChart(*content, width, height), error)) << error;
  }
  EXPECT_EQ(
      qbtest::RunHost({"/bin/sh", "-c", "test \"$(identify -format '%w %h' '" + dir + "/trend.png')\" = '480 300'"}),
      0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PixelOfPng(dir + (c.content == &trend ? "/trend.png" : "/sweep.png"), c.x, c.y), Colour(c.colour))
        << "at " << c.x << "," << c.y;
  }
  std::string error;
  EXPECT_FALSE(WritePngFile(dir + "/no-such-folder/c.png", RenderChart(trend, 100, 80), error));
  EXPECT_NE(error.find("could not be written"), std::string::npos);
}

TEST(MeasureChart, EmptyTinyAndExtremeChartsStillDraw) {
  ChartContent extreme;
  extreme.series.push_back({"Q?", {0, 1, 2, 3}, {-1.7e308, kNaN, 1.7e308, 0}, false});
  ChartContent logWithZero;
  logWithZero.logX = true;
  logWithZero.series.push_back({"Q?", {0, -5, 10}, {1, 2, 3}, false});
  for (const ChartContent& content : {ChartContent{}, extreme, logWithZero}) {
    for (int size : {1, 40, 300}) {
      RgbImage image = RenderChart(content, size, size);
      ASSERT_EQ(image.pixels.size(), static_cast<size_t>(size) * size * 3);
    }
  }
}

}  // namespace
