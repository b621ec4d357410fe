// The ZTQ command set: the command language of the selective level meters
// (instrument family 8) as the command assistant knows it. 85 rows in the
// instrument's order, grouped by keyword with the command forms before the
// query forms; the order matters because every lookup takes the first match.
// Rows of one keyword share their help record where they describe the same
// parameters. Constant data only.
#include "assist/command_set_data.h"

namespace qb {

namespace {

// --- keyword lists -------------------------------------------------------------

constexpr const char* kOnOffWords[] = {"on", "off"};
constexpr const char* kTimeConstantWords[] = {"none", "normal", "slow"};
constexpr const char* kAutoFixedWords[] = {"auto", "fixed"};
constexpr const char* kSweepWords[] = {"sweep"};
constexpr const char* kSweepTypeWords[] = {"logari", "linear"};
constexpr const char* kInputWords[] = {"hilevel", "power", "lolevel", "balance"};
constexpr const char* kImpedanceWords[] = {"50ohms", "75ohms", "600ohms", "hiimpedance"};
constexpr const char* kEnableDisableWords[] = {"enable", "disable"};
constexpr const char* kLcrCircuitWords[] = {"impedance", "series", "parallel"};
constexpr const char* kMarkerWords[] = {"off", "single", "dual"};
constexpr const char* kModeWords[] = {"ztq", "lcr", "vswr", "fra", "scope"};
constexpr const char* kOutputWords[] = {"off", "lolevel", "hilevel"};
constexpr const char* kPhaseConventionWords[] = {"180", "-360", "+360"};
constexpr const char* kChannelWords[] = {"ch1", "ch2"};
constexpr const char* kRangingWords[] = {"auto", "upauto", "manual"};
constexpr const char* kResolutionWords[] = {"normal", "high", "binary"};
constexpr const char* kStoreOperationWords[] = {"recall", "store", "delete"};
constexpr const char* kResultListWords[] = {"files", "name"};
constexpr const char* kColourWords[] = {"colour"};
constexpr const char* kBandwidthWords[] = {"wide", "3100hz", "1950hz", "100hz", "360hz", "400hz", "25hz", "3hz"};
constexpr const char* kScanWords[] = {"generator", "input", "single", "dual"};
constexpr const char* kSpeedWords[] = {"vfast", "fast", "medium", "slow", "vslow", "window"};
constexpr const char* kVswrWords[] = {"impedance", "directional"};
constexpr const char* kWaveformWords[] = {"sinewa", "triang", "square", "noise"};
constexpr const char* kZeroWords[] = {"delete", "db", "phase", "single", "sweep", "open", "short", "store", "recall"};

constexpr KeywordList kOnOff = MakeKeywordList(kOnOffWords);
constexpr KeywordList kTimeConstants = MakeKeywordList(kTimeConstantWords);
constexpr KeywordList kAutoFixed = MakeKeywordList(kAutoFixedWords);
constexpr KeywordList kSweep = MakeKeywordList(kSweepWords);
constexpr KeywordList kSweepTypes = MakeKeywordList(kSweepTypeWords);
constexpr KeywordList kInputs = MakeKeywordList(kInputWords);
constexpr KeywordList kImpedances = MakeKeywordList(kImpedanceWords);
constexpr KeywordList kEnableDisable = MakeKeywordList(kEnableDisableWords);
constexpr KeywordList kLcrCircuits = MakeKeywordList(kLcrCircuitWords);
constexpr KeywordList kMarkers = MakeKeywordList(kMarkerWords);
constexpr KeywordList kModes = MakeKeywordList(kModeWords);
constexpr KeywordList kOutputs = MakeKeywordList(kOutputWords);
constexpr KeywordList kPhaseConventions = MakeKeywordList(kPhaseConventionWords);
constexpr KeywordList kChannels = MakeKeywordList(kChannelWords);
constexpr KeywordList kRangings = MakeKeywordList(kRangingWords);
constexpr KeywordList kResolutions = MakeKeywordList(kResolutionWords);
constexpr KeywordList kStoreOperations = MakeKeywordList(kStoreOperationWords);
constexpr KeywordList kResultLists = MakeKeywordList(kResultListWords);
constexpr KeywordList kColour = MakeKeywordList(kColourWords);
constexpr KeywordList kBandwidths = MakeKeywordList(kBandwidthWords);
constexpr KeywordList kScans = MakeKeywordList(kScanWords);
constexpr KeywordList kSpeeds = MakeKeywordList(kSpeedWords);
constexpr KeywordList kVswrMeasurements = MakeKeywordList(kVswrWords);
constexpr KeywordList kWaveforms = MakeKeywordList(kWaveformWords);
constexpr KeywordList kZeroFunctions = MakeKeywordList(kZeroWords);

// --- help records ----------------------------------------------------------------

// Common commands.
constexpr HelpRecord kCls = {"The *CLS command clears the (SESR) Standard Event Status Register", {}};
constexpr HelpRecord kEse = {"The *ESE command sets the (SESER) Standard Event Status Enable Register",
                             {"Register Value { 0-255 }"}};
constexpr HelpRecord kEsrQuery = {"The *ESR? command reads the (SESR) Standard Event Status Register", {}};
constexpr HelpRecord kIdnQuery = {"The *IDN? command reads the instrument's identification", {}};
constexpr HelpRecord kOpcQuery = {"The *OPC? command returns 1 when every pending operation is complete", {}};
constexpr HelpRecord kRst = {"The *RST command resets the instrument to its default settings", {}};
constexpr HelpRecord kSre = {"The *SRE command sets the (SRER) Service Request Enable Register",
                             {"Register Value { 0-255 }"}};
constexpr HelpRecord kSreQuery = {"The *SRE? command reads the (SRER) Service Request Enable Register", {}};
constexpr HelpRecord kStbQuery = {"The *STB? command reads the (STB) Status Byte Register", {}};
constexpr HelpRecord kTrg = {"The *TRG command Initiates a new measuremtn,  resetting the range and smoothing", {}};
constexpr HelpRecord kTstQuery = {"The *TST? command runs the instrument's self test and returns the result", {}};
constexpr HelpRecord kWai = {"The *WAI command waits until every pending operation is complete", {}};

constexpr HelpRecord kAbort = {"The ABORT command aborts an active sweep", {}};
constexpr HelpRecord kAmplit = {"The AMPLIT command sets the output amplitude of the signal generator",
                                {"Amplitude (in Volts)"}};
constexpr HelpRecord kBeep = {"The BEEP command sounds the instrument's beeper", {}};
constexpr HelpRecord kBlanki = {"The BLANKI command switches the blanking of readings below range on or off",
                                {"Blanking { On, Off }", "Blanking Level (in dB)"}};
constexpr HelpRecord kConfig = {"The CONFIG command sets one item of the instrument configuration",
                                {"Configuration Item (number)", "Value"}};
constexpr HelpRecord kConfigQuery = {"The CONFIG? command reads one item of the instrument configuration",
                                     {"Configuration Item (number)"}};
constexpr HelpRecord kDavQuery = {"The DAV? command reads the (DAV) Data Available Register", {}};
constexpr HelpRecord kDaver = {"The DAVER command sets the (DAVER) Data Available Enable Register",
                               {"Register Value { 0-255 }"}};
constexpr HelpRecord kDaverQuery = {"The DAVER? command reads the (DAVER) Data Available Enable Register", {}};
constexpr HelpRecord kFilter = {
    "The FILTER command sets the filter time constant and dynamic response",
    {"Time Constant { None, Normal [Additionally, one optional parameter], Slow [Additionally, one optional parameter] "
     "}",
     "Dynamic Response { Auto, Fixed }"}};
constexpr HelpRecord kFra = {"The FRA command causes the instrument to enter the FREQUENCY RESPONSE ANALYSER mode", {}};
constexpr HelpRecord kFraQuery = {
    "The FRA? command reads FREQUENCY RESPONSE ANALYSER results,  waits for next unread data if necessary",
    {"Sweep { Sweep }"}};
constexpr HelpRecord kFreque = {"The FREQUE command sets the frequency of the signal generator", {"Frequency (in Hz)"}};
constexpr HelpRecord kFsweep = {"The FSWEEP command sets the frequency sweep",
                                {"Start Frequency (in Hz)", "Stop Frequency (in Hz)", "Number of Steps",
                                 "Sweep Type { Logari (logarithmic), Linear }"}};
constexpr HelpRecord kGainph = {"The GAINPH command causes the instrument to enter the GAIN PHASE mode", {}};
constexpr HelpRecord kGainphQuery = {
    "The GAINPH? command reads GAIN PHASE results,  waits for next unread data if necessary", {"Sweep { Sweep }"}};
constexpr HelpRecord kHold = {"The HOLD command holds the results shown on the instrument's screen",
                              {"Hold { On, Off }"}};
constexpr HelpRecord kInput = {
    "The INPUT command selects the input type and impedance",
    {"Input { Hilevel, Power, Lolevel, Balance }", "Impedance { 50ohms, 75ohms, 600ohms, Hiimpedance }"}};
constexpr HelpRecord kKeyboa = {"The KEYBOA command enables or disables the instrument's keyboard",
                                {"Keyboard { Enable, Disable }"}};
constexpr HelpRecord kLcr = {
    "The LCR command causes the instrument to enter the LCR meter mode and can set the LCR mode settings",
    {"Equivalent Circuit { Impedance, Series, Parallel }"}};
constexpr HelpRecord kLcrQuery = {"The LCR? command reads LCR results,  waits for next unread data if necessary",
                                  {"Sweep { Sweep }"}};
constexpr HelpRecord kMarker = {"The MARKER command sets the markers of the sweep graph",
                                {"Markers { Off, Single, Dual }", "Marker Frequency (in Hz)"}};
constexpr HelpRecord kMode = {"The MODE command sets the basic operating mode of the instrument",
                              {"Mode { ZTQ,  LCR,  VSWR,  FRA,  SCOPE }"}};
constexpr HelpRecord kOutput = {
    "The OUTPUT command sets the output level and impedance of the signal generator",
    {"Output { Off, Lolevel, Hilevel }", "Impedance { 50ohms, 75ohms, 600ohms, Hiimpedance }"}};
constexpr HelpRecord kPhconv = {"The PHCONV command sets the phase angle convention",
                                {"Phase Convention { 180, -360, +360 }"}};
constexpr HelpRecord kPrograQuery = {"The PROGRA? command reads the list of stored programs", {}};
constexpr HelpRecord kRange = {
    "The RANGE command sets the ranging of a channel",
    {"Channel { Ch1, Ch2 }", "Ranging { Auto, Upauto (auto ranging up only), Manual }", "Range Number { 1-16 }"}};
constexpr HelpRecord kResolu = {"The RESOLU command sets the resolution of the results returned",
                                {"Resolution { Normal, High, Binary }"}};
constexpr HelpRecord kResult = {"The RESULT command recalls, stores or deletes a stored result",
                                {"Operation { Recall, Store, Delete }", "Result Number"}};
constexpr HelpRecord kResultQuery = {"The RESULT? command reads the stored results", {}};
constexpr HelpRecord kRezero = {"The REZERO command zeroes the instrument's inputs again", {}};
constexpr HelpRecord kScale = {"The SCALE command sets the scaling factor of a channel",
                               {"Channel { Ch1, Ch2 }", "Scale Factor"}};
constexpr HelpRecord kScreenQuery = {"The SCREEN? command reads the instrument's screen as a bitmap",
                                     {"Format { Colour }"}};
constexpr HelpRecord kZtq = {
    "The ZTQ command sets the instrument into Selective Level Meter mode, and can set the Selective Level Meter mode "
    "settings",
    {"Bandwidth { Wide, 3100hz, 1950hz, 100hz, 360hz, 400hz, 25hz, 3hz }", "Scan { Generator, Input, Single, Dual }",
     "Center Frequency (in Hz)", "Dual Frequency (in Hz)"}};
constexpr HelpRecord kZtqQuery = {
    "The ZTQ? command reads Selective Level Meter results,  waits for next unread data if necessary", {}};
constexpr HelpRecord kSpeed = {
    "The SPEED command sets the measurement speed",
    {"Speed { Vfast (very fast), Fast, Medium, Slow, Vslow (very slow), Window }", "Window Time (in seconds)"}};
constexpr HelpRecord kStart = {"The START command starts a sweep", {}};
constexpr HelpRecord kStatusQuery = {
    "The STATUS? command queries the instrument for the selected channel condition based on the selected ranging,  "
    "returning Status as Text { Ok,  Over,  Under } OR Range Number { 1-16 },  Range { eg. 300V },  Status as Text { "
    "Ok, Over, Under }",
    {"Channel { Ch1, Ch2 }"}};
constexpr HelpRecord kStop = {"The STOP command stops the datalog,  and/or stops the integrator running", {}};
constexpr HelpRecord kTfa = {"The TFA command causes the instrument to enter the TRANSFORMER ANALYSER mode", {}};
constexpr HelpRecord kTfaQuery = {
    "The TFA? command reads TRANSFORMER ANALYSER results,  waits for next unread data if necessary",
    {"Sweep { Sweep }"}};
constexpr HelpRecord kUserQuery = {"The USER? command reads the user text of the instrument", {}};
constexpr HelpRecord kVersioQuery = {"The VERSIO? command reads the firmware version of the instrument", {}};
constexpr HelpRecord kVswr = {
    "The VSWR command causes the instrument to enter the VSWR mode and can set the VSWR mode settings",
    {"Measurement { Impedance, Directional }", "Reference Impedance (in Ohms)"}};
constexpr HelpRecord kVswrQuery = {"The VSWR? command reads VSWR results,  waits for next unread data if necessary",
                                   {"Sweep { Sweep }"}};
constexpr HelpRecord kWavefo = {
    "The WAVEFO command selects the output waveform for the signal generator",
    {"Wave Shape { Sinewa (Sinewave), Triang (Triangle), Square (Square), Noise (White Noise) }"}};
constexpr HelpRecord kZero = {
    "The ZERO command Applies or removes a zero function depending on the instrument mode (Performs lead compensation "
    "in LCR mode)",
    {"Format { Delete, Db [Additionally, one optional parameter], Phase [Additionally, one optional parameter] } OR "
     "LCR "
     "Compensation { Single, Sweep [Additionally, three required parameter], Open, Short, Store, Recall }",
     "Offset (Offset value) OR Steps (LCR Sweep compensation steps)",
     "Start Frequency (LCR Compensation start frequency in Hz)",
     "Stop Frequency (LCR Compensation stop frequency in Hz)"}};

// --- the rows ------------------------------------------------------------------------

constexpr const char* kDefault = "default";

constexpr CommandEntry kZtqEntries[] = {
    {"*cls", &kCls, {}, kDefault},                                                      // 0
    {"*ese,", &kEse, {}, kDefault},                                                     // 1
    {"*esr?", &kEsrQuery, {}, kDefault},                                                // 2
    {"*idn?", &kIdnQuery, {}, kDefault},                                                // 3
    {"*opc?", &kOpcQuery, {}, kDefault},                                                // 4
    {"*rst", &kRst, {}, kDefault},                                                      // 5
    {"*sre,", &kSre, {}, kDefault},                                                     // 6
    {"*sre?", &kSreQuery, {}, kDefault},                                                // 7
    {"*stb?", &kStbQuery, {}, kDefault},                                                // 8
    {"*trg", &kTrg, {}, kDefault},                                                      // 9
    {"*tst?", &kTstQuery, {}, kDefault},                                                // 10
    {"*wai", &kWai, {}, kDefault},                                                      // 11
    {"abort", &kAbort, {}, kDefault},                                                   // 12
    {"amplit,", &kAmplit, {}, kDefault},                                                // 13
    {"beep", &kBeep, {}, kDefault},                                                     // 14
    {"blanki,", &kBlanki, {&kOnOff}, "ZTQ_BLANKI"},                                     // 15
    {"blanki,,", &kBlanki, {&kOnOff}, "ZTQ_BLANKI"},                                    // 16
    {"config,,", &kConfig, {}, kDefault},                                               // 17
    {"config,?", &kConfigQuery, {}, kDefault},                                          // 18
    {"dav?", &kDavQuery, {}, kDefault},                                                 // 19
    {"daver,", &kDaver, {}, kDefault},                                                  // 20
    {"daver?", &kDaverQuery, {}, kDefault},                                             // 21
    {"filter,", &kFilter, {&kTimeConstants, &kAutoFixed}, "ZTQ_FILTER"},                // 22
    {"filter,,", &kFilter, {&kTimeConstants, &kAutoFixed}, "ZTQ_FILTER"},               // 23
    {"fra", &kFra, {}, "ZTQ_FRA"},                                                      // 24
    {"fra?", &kFraQuery, {&kSweep}, "ZTQ_FRA"},                                         // 25
    {"fra,sweep?", &kFraQuery, {&kSweep}, "ZTQ_FRA"},                                   // 26
    {"freque,", &kFreque, {}, kDefault},                                                // 27
    {"fsweep,", &kFsweep, {nullptr, nullptr, nullptr, &kSweepTypes}, "ZTQ_FSWEEP"},     // 28
    {"fsweep,,", &kFsweep, {nullptr, nullptr, nullptr, &kSweepTypes}, "ZTQ_FSWEEP"},    // 29
    {"fsweep,,,", &kFsweep, {nullptr, nullptr, nullptr, &kSweepTypes}, "ZTQ_FSWEEP"},   // 30
    {"fsweep,,,,", &kFsweep, {nullptr, nullptr, nullptr, &kSweepTypes}, "ZTQ_FSWEEP"},  // 31
    {"gainph", &kGainph, {}, "ZTQ_GAINPH"},                                             // 32
    {"gainph?", &kGainphQuery, {&kSweep}, "ZTQ_GAINPH"},                                // 33
    {"gainph,sweep?", &kGainphQuery, {&kSweep}, "ZTQ_GAINPH"},                          // 34
    {"hold,", &kHold, {&kOnOff}, "ZTQ_HOLD"},                                           // 35
    {"input,", &kInput, {&kInputs, &kImpedances}, "ZTQ_INPUT"},                         // 36
    {"input,,", &kInput, {&kInputs, &kImpedances}, "ZTQ_INPUT"},                        // 37
    {"keyboa,", &kKeyboa, {&kEnableDisable}, "ZTQ_KEYBOA"},                             // 38
    {"lcr", &kLcr, {&kLcrCircuits}, "ZTQ_LCR"},                                         // 39
    {"lcr,", &kLcr, {&kLcrCircuits}, "ZTQ_LCR"},                                        // 40
    {"lcr?", &kLcrQuery, {&kSweep}, "ZTQ_LCR"},                                         // 41
    {"lcr,sweep?", &kLcrQuery, {&kSweep}, "ZTQ_LCR"},                                   // 42
    {"marker,", &kMarker, {&kMarkers}, "ZTQ_MARKER"},                                   // 43
    {"marker,,", &kMarker, {&kMarkers}, "ZTQ_MARKER"},                                  // 44
    {"mode,", &kMode, {&kModes}, "ZTQ_MODE"},                                           // 45
    {"output,,", &kOutput, {&kOutputs, &kImpedances}, "ZTQ_OUTPUT"},                    // 46
    {"phconv,", &kPhconv, {&kPhaseConventions}, "ZTQ_PHCONV"},                          // 47
    {"progra?", &kPrograQuery, {}, kDefault},                                           // 48
    {"range,,", &kRange, {&kChannels, &kRangings}, "ZTQ_RANGE"},                        // 49
    {"range,,,", &kRange, {&kChannels, &kRangings}, "ZTQ_RANGE"},                       // 50
    {"resolu,", &kResolu, {&kResolutions}, "ZTQ_RESOLU"},                               // 51
    {"result,,", &kResult, {&kStoreOperations}, "ZTQ_RESULT"},                          // 52
    {"result,?", &kResultQuery, {&kResultLists}, "ZTQ_RESULT"},                         // 53
    {"rezero", &kRezero, {}, kDefault},                                                 // 54
    {"scale,,", &kScale, {&kChannels}, "ZTQ_SCALE"},                                    // 55
    {"screen?", &kScreenQuery, {}, "ZTQ_SCREEN"},                                       // 56
    {"screen,colour?", &kScreenQuery, {&kColour}, "ZTQ_SCREEN"},                        // 57
    {"ztq,", &kZtq, {&kBandwidths}, "ZTQ_ZTQ"},                                         // 58
    {"ztq,,", &kZtq, {&kBandwidths, &kScans}, "ZTQ_ZTQ"},                               // 59
    {"ztq,,,", &kZtq, {&kBandwidths, &kScans}, "ZTQ_ZTQ"},                              // 60
    {"ztq,,,,", &kZtq, {&kBandwidths, &kScans}, "ZTQ_ZTQ"},                             // 61
    {"ztq?", &kZtqQuery, {}, "ZTQ_ZTQ"},                                                // 62
    {"ztq,sweep?", &kZtqQuery, {&kSweep}, "ZTQ_ZTQ"},                                   // 63
    {"speed,", &kSpeed, {&kSpeeds}, "ZTQ_SPEED"},                                       // 64
    {"speed,,", &kSpeed, {&kSpeeds}, "ZTQ_SPEED"},                                      // 65
    {"start", &kStart, {}, kDefault},                                                   // 66
    {"status?", &kStatusQuery, {}, "ZTQ_STATUS"},                                       // 67
    {"status,?", &kStatusQuery, {&kChannels}, "ZTQ_STATUS"},                            // 68
    {"stop", &kStop, {}, kDefault},                                                     // 69
    {"tfa", &kTfa, {}, "ZTQ_TFA"},                                                      // 70
    {"tfa?", &kTfaQuery, {}, "ZTQ_TFA"},                                                // 71
    {"tfa,sweep?", &kTfaQuery, {&kSweep}, "ZTQ_TFA"},                                   // 72
    {"user?", &kUserQuery, {}, kDefault},                                               // 73
    {"versio?", &kVersioQuery, {}, kDefault},                                           // 74
    {"vswr", &kVswr, {}, "ZTQ_VSWR"},                                                   // 75
    {"vswr,", &kVswr, {&kVswrMeasurements}, "ZTQ_VSWR"},                                // 76
    {"vswr,,", &kVswr, {&kVswrMeasurements}, "ZTQ_VSWR"},                               // 77
    {"vswr?", &kVswrQuery, {}, "ZTQ_VSWR"},                                             // 78
    {"vswr,sweep?", &kVswrQuery, {&kSweep}, "ZTQ_VSWR"},                                // 79
    {"wavefo,", &kWavefo, {&kWaveforms}, "ZTQ_WAVEFO"},                                 // 80
    {"zero", &kZero, {&kZeroFunctions}, "ZTQ_ZERO"},                                    // 81
    {"zero,", &kZero, {&kZeroFunctions}, "ZTQ_ZERO"},                                   // 82
    {"zero,,", &kZero, {&kZeroFunctions}, "ZTQ_ZERO"},                                  // 83
    {"zero,,,,", &kZero, {&kZeroFunctions}, "ZTQ_ZERO"},                                // 84
};

constexpr int kZtqCount = static_cast<int>(sizeof kZtqEntries / sizeof kZtqEntries[0]);
static_assert(kZtqCount == 85, "the ZTQ command set has 85 rows");

}  // namespace

const CommandDictionary ZtqCommandSet = {"ZTQ", kZtqEntries, kZtqCount};

}  // namespace qb
