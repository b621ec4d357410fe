// The HXA command set: the command language of the power analysers
// (instrument families 1 to 5) as the command assistant knows it. 135 rows in
// the instrument's order, grouped by keyword with the command forms before
// the query forms; the order matters because every lookup takes the first
// match. Rows of one keyword share their help record where they describe the
// same parameters. Constant data only.
#include "assist/command_set_data.h"

namespace qb {

namespace {

// --- keyword lists -------------------------------------------------------------

constexpr const char* kOnOffWords[] = {"on", "off"};
constexpr const char* kEnabledDisabledWords[] = {"enabled", "disabled"};
constexpr const char* kAlarm1TypeWords[] = {"disabled", "high", "low", "inside", "outside", "linear"};
constexpr const char* kAlarm2TypeWords[] = {"disabled", "high", "low", "inside", "outside"};
constexpr const char* kApplicationWords[] = {"normal", "pwm", "ballast", "inrush", "powert", "standb"};
constexpr const char* kBandwidthWords[] = {"wide", "low", "dconly"};
constexpr const char* kPhase123Words[] = {"phase1", "phase2", "phase3"};
constexpr const char* kCouplingWords[] = {"ac+dc", "aconly", "dconly"};
constexpr const char* kDatalogModeWords[] = {"disable", "ram", "nonvol", "recall", "delete"};
constexpr const char* kHighWords[] = {"high"};
constexpr const char* kDatalogRecordWords[] = {"0", "lines"};
constexpr const char* kDisplayWords[] = {"phase1", "phase2",      "phase3",  "sum",    "neutral",
                                         "total",  "fundamental", "voltage", "current"};
constexpr const char* kFrequencyReferenceWords[] = {"phase1",  "phase2", "phase3", "voltage",
                                                    "current", "speed",  "ac line"};
constexpr const char* kFrequencySourceWords[] = {"voltage", "current", "speed", "ac line"};
constexpr const char* kHarmonicFormulaWords[] = {"thdd", "thds",   "tif",   "thf",   "tdd",
                                                 "trd",  "hphase", "ph-ph", "series"};
constexpr const char* kHarmonicPhaseWords[] = {"phase1", "phase2", "phase3", "neutral", "phases"};
constexpr const char* kSeriesWords[] = {"series"};
constexpr const char* kChannelWords[] = {"ch1", "ch2"};
constexpr const char* kInputWords[] = {"intern", "extatt", "extshu"};
constexpr const char* kIntegratorModeWords[] = {"signed", "magnitude", "runtim"};
constexpr const char* kTotalAverageWords[] = {"total", "average"};
constexpr const char* kIntegratorPhaseWords[] = {"phase1", "phase2", "phase3", "phases", "sum"};
constexpr const char* kEnableDisableWords[] = {"enable", "disable"};
constexpr const char* kLcrMeasurementWords[] = {"auto", "capacitance", "inductance", "impedance"};
constexpr const char* kPhasesWords[] = {"phase1", "phase2", "phase3", "phases"};
constexpr const char* kModeWords[] = {"power", "integr", "harmon", "rms", "lcr", "scope", "phasem"};
constexpr const char* kMasterSlaveWords[] = {"disable", "master", "slave"};
constexpr const char* kSignConventionWords[] = {"neglag", "neglea"};
constexpr const char* kPhaseConventionWords[] = {"180", "-360", "+360"};
constexpr const char* kPowerPhaseOrResultWords[] = {"phase1",  "phase2", "phase3",  "phases",  "sum",
                                                    "neutral", "watts",  "voltage", "current", "vectors",
                                                    "rms",     "wva",    "ph-ph"};
constexpr const char* kPowerResultWords[] = {"watts", "voltage", "current", "vectors", "rms", "wva", "ph-ph"};
constexpr const char* kStoreOperationWords[] = {"recall", "store", "delete"};
constexpr const char* kRangingWords[] = {"auto", "upauto", "manual"};
constexpr const char* kResolutionWords[] = {"normal", "high", "binary"};
constexpr const char* kScopePhaseWords[] = {"phase1", "phase2", "phase3", "neutra", "voltage", "current"};
constexpr const char* kVoltageCurrentWords[] = {"voltage", "current"};
constexpr const char* kSmoothingWords[] = {"none", "normal", "slow"};
constexpr const char* kAutoFixedWords[] = {"auto", "fixed"};
constexpr const char* kSpeedWords[] = {"very fast", "fast", "medium", "slow", "vslow", "window"};
constexpr const char* kStatusChannelWords[] = {"ch1", "ch2", "ch3", "ch4", "ch5", "ch6"};
constexpr const char* kTemperatureWords[] = {"disabled", "centig", "farhen"};
constexpr const char* kTorqueInputWords[] = {"disabled", "analog", "pulsed", "offset"};
constexpr const char* kVrmsResultWords[] = {"rms", "mean", "surge"};
constexpr const char* kWiringWords[] = {"single", "2phase", "3ph2wa", "3ph3wa", "indph3",
                                        "phase1", "phase2", "phase3", "indep"};

constexpr KeywordList kOnOff = MakeKeywordList(kOnOffWords);
constexpr KeywordList kEnabledDisabled = MakeKeywordList(kEnabledDisabledWords);
constexpr KeywordList kAlarm1Types = MakeKeywordList(kAlarm1TypeWords);
constexpr KeywordList kAlarm2Types = MakeKeywordList(kAlarm2TypeWords);
constexpr KeywordList kApplications = MakeKeywordList(kApplicationWords);
constexpr KeywordList kBandwidths = MakeKeywordList(kBandwidthWords);
constexpr KeywordList kPhase123 = MakeKeywordList(kPhase123Words);
constexpr KeywordList kCouplings = MakeKeywordList(kCouplingWords);
constexpr KeywordList kDatalogModes = MakeKeywordList(kDatalogModeWords);
constexpr KeywordList kHigh = MakeKeywordList(kHighWords);
constexpr KeywordList kDatalogRecords = MakeKeywordList(kDatalogRecordWords);
constexpr KeywordList kDisplays = MakeKeywordList(kDisplayWords);
constexpr KeywordList kFrequencyReferences = MakeKeywordList(kFrequencyReferenceWords);
constexpr KeywordList kFrequencySources = MakeKeywordList(kFrequencySourceWords);
constexpr KeywordList kHarmonicFormulas = MakeKeywordList(kHarmonicFormulaWords);
constexpr KeywordList kHarmonicPhases = MakeKeywordList(kHarmonicPhaseWords);
constexpr KeywordList kSeries = MakeKeywordList(kSeriesWords);
constexpr KeywordList kChannels = MakeKeywordList(kChannelWords);
constexpr KeywordList kInputs = MakeKeywordList(kInputWords);
constexpr KeywordList kIntegratorModes = MakeKeywordList(kIntegratorModeWords);
constexpr KeywordList kTotalAverage = MakeKeywordList(kTotalAverageWords);
constexpr KeywordList kIntegratorPhases = MakeKeywordList(kIntegratorPhaseWords);
constexpr KeywordList kEnableDisable = MakeKeywordList(kEnableDisableWords);
constexpr KeywordList kLcrMeasurements = MakeKeywordList(kLcrMeasurementWords);
constexpr KeywordList kPhases = MakeKeywordList(kPhasesWords);
constexpr KeywordList kModes = MakeKeywordList(kModeWords);
constexpr KeywordList kMasterSlave = MakeKeywordList(kMasterSlaveWords);
constexpr KeywordList kSignConventions = MakeKeywordList(kSignConventionWords);
constexpr KeywordList kPhaseConventions = MakeKeywordList(kPhaseConventionWords);
constexpr KeywordList kPowerPhasesOrResults = MakeKeywordList(kPowerPhaseOrResultWords);
constexpr KeywordList kPowerResults = MakeKeywordList(kPowerResultWords);
constexpr KeywordList kStoreOperations = MakeKeywordList(kStoreOperationWords);
constexpr KeywordList kRangings = MakeKeywordList(kRangingWords);
constexpr KeywordList kResolutions = MakeKeywordList(kResolutionWords);
constexpr KeywordList kScopePhases = MakeKeywordList(kScopePhaseWords);
constexpr KeywordList kVoltageCurrent = MakeKeywordList(kVoltageCurrentWords);
constexpr KeywordList kSmoothings = MakeKeywordList(kSmoothingWords);
constexpr KeywordList kAutoFixed = MakeKeywordList(kAutoFixedWords);
constexpr KeywordList kSpeeds = MakeKeywordList(kSpeedWords);
constexpr KeywordList kStatusChannels = MakeKeywordList(kStatusChannelWords);
constexpr KeywordList kTemperatures = MakeKeywordList(kTemperatureWords);
constexpr KeywordList kTorqueInputs = MakeKeywordList(kTorqueInputWords);
constexpr KeywordList kVrmsResults = MakeKeywordList(kVrmsResultWords);
constexpr KeywordList kWirings = MakeKeywordList(kWiringWords);

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

constexpr HelpRecord kAbort = {"The ABORT command aborts datalog data acquisition", {}};
constexpr HelpRecord kAlarm = {"The ALARM command switches the alarm output on or off and sets its sounder",
                               {"Alarm Output { On, Off }", "Alarm Sounder { Enabled, Disabled }"}};
constexpr HelpRecord kAlarmQuery = {"The ALARM? command reads the alarm status", {}};
constexpr HelpRecord kAlarm1 = {"The ALARM1 command sets Alarm1 type and threshold",
                                {"Alarm1 Type { Disabled,  High, Low, Inside, Outside, Linear }", "Alarm1 Data { 1-4 }",
                                 "High Threshold", "Low Threshold"}};
constexpr HelpRecord kAlarm2 = {"The ALARM2 command sets Alarm2 type and threshold",
                                {"Alarm2 Type { Disabled,  High, Low, Inside, Outside }", "Alarm2 Data { 1-4 }",
                                 "High Threshold", "Low Threshold"}};
constexpr HelpRecord kAlarme = {"The ALARME command sets the (ALARME) Alarm Event Enable Register",
                                {"Register Value { 0-255 }"}};
constexpr HelpRecord kAlarmeQuery = {"The ALARME? command reads the (ALARME) Alarm Event Enable Register", {}};
constexpr HelpRecord kApplic = {
    "The APPLIC command selects the application mode of the instrument",
    {"Application { Normal, PWM (Motor Drive), Ballast, Inrush, Powert (Power Transformer), Standb (Standby Power) }",
     "Application Option (depends on the application)"}};
constexpr HelpRecord kBandwi = {"The BANDWI command sets the bandwidth of the measurement",
                                {"Bandwidth { Wide, Low, Dconly (DC only) }"}};
constexpr HelpRecord kBandwiPhase = {"The BANDWI command sets the bandwidth of the measurement",
                                     {"Phase { Phase1, Phase2, Phase3 }", "Bandwidth { Wide, Low, Dconly (DC only) }"}};
constexpr HelpRecord kBandwiQuery = {"The BANDWI? command reads the bandwidth of the selected phase",
                                     {"Phase { Phase1, Phase2, Phase3 }"}};
constexpr HelpRecord kBeep = {"The BEEP command sounds the instrument's beeper", {}};
constexpr HelpRecord kBlanki = {"The BLANKI command switches the blanking of readings below range on or off",
                                {"Blanking { On, Off }"}};
constexpr HelpRecord kCalver = {"The CALVER command sets the calibration verification mode", {"Verification Code"}};
constexpr HelpRecord kCalverQuery = {"The CALVER? command reads the calibration verification mode", {}};
constexpr HelpRecord kConfig = {"The CONFIG command sets one item of the instrument configuration",
                                {"Configuration Item (number)", "Value"}};
constexpr HelpRecord kConfigQuery = {"The CONFIG? command reads one item of the instrument configuration",
                                     {"Configuration Item (number)"}};
constexpr HelpRecord kCoupli = {"The COUPLI command sets the input coupling of a phase",
                                {"Phase { Phase1, Phase2, Phase3 }", "Coupling { AC+DC, ACONLY, DCONLY }"}};
constexpr HelpRecord kCoupliQuery = {"The COUPLI? command reads the input coupling of a phase",
                                     {"Phase { Phase1, Phase2, Phase3 }"}};
constexpr HelpRecord kDatalo = {"The DATALO command sets the datalog mode and interval",
                                {"Datalog Mode { Disable, Ram, Nonvol (non-volatile memory), Recall, Delete }",
                                 "Interval (in seconds)", "Resolution { High }"}};
constexpr HelpRecord kDataloQuery = {
    "The DATALO? command reads the datalog records",
    {"Record { 0 (all records), Lines (number of records held) } OR First Record", "Number of Records"}};
constexpr HelpRecord kDavQuery = {"The DAV? command reads the (DAV) Data Available Register", {}};
constexpr HelpRecord kDaver = {"The DAVER command sets the (DAVER) Data Available Enable Register",
                               {"Register Value { 0-255 }"}};
constexpr HelpRecord kDaverQuery = {"The DAVER? command reads the (DAVER) Data Available Enable Register", {}};
constexpr HelpRecord kDisplay = {
    "The DISPLAY command selects the results shown on the instrument's screen",
    {"Display { Phase1, Phase2, Phase3, Sum, Neutral, Total, Fundamental, Voltage, Current }"}};
constexpr HelpRecord kDisplayQuery = {"The DISPLAY? command reads the results selection of the screen", {}};
constexpr HelpRecord kEffici = {"The EFFICI command sets the formula of the efficiency calculation",
                                {"Efficiency Formula (number)"}};
constexpr HelpRecord kEfficiQuery = {"The EFFICI? command reads the efficiency results", {}};
constexpr HelpRecord kFast = {"The FAST command switches the fast update mode on or off", {"Fast Mode { On, Off }"}};
constexpr HelpRecord kFqlock = {"The FQLOCK command locks the frequency measurement to its present value",
                                {"Frequency Lock { On, Off }"}};
constexpr HelpRecord kFqref = {"The FQREF command selects the frequency reference of the measurement",
                               {"Reference { Phase1, Phase2, Phase3, Voltage, Current, Speed, AC Line }",
                                "Source { Voltage, Current, Speed, AC Line }"}};
constexpr HelpRecord kFreqfi = {"The FREQFI command switches the frequency filter on or off",
                                {"Frequency Filter { On, Off }"}};
constexpr HelpRecord kFreque = {"The FREQUE command sets the fixed frequency of the measurement",
                                {"Frequency (in Hz)"}};
constexpr HelpRecord kHarmon = {
    "The HARMON command causes the instrument to enter the HARMONICS mode and can set the harmonics mode settings",
    {"Harmonic Formula { THDD (Difference),  THDS (Series),  TIF (Tele Influ Factor),  THF (Tele Harmon Factor),  TDD "
     "(T.Demand Distortion),  TRD (T.Rated Distortion),  HPHASE (Harmonic Phase),  PH-PH (Phase to Phase) }",
     "Individual harmonic number", "Max harmonics number"}};
constexpr HelpRecord kHarmonQuery = {
    "The HARMON? command reads HARMONICS results,  waits for next unread data if necessary",
    {"Phase { Phase1,  Phase2,  Phase3,  Neutral,  Phases (all phases) } [Additional,  optional parameter] OR Series { "
     "Series }",
     "Series { Series }"}};
constexpr HelpRecord kHold = {"The HOLD command holds the results shown on the instrument's screen",
                              {"Hold { On, Off }"}};
constexpr HelpRecord kInput = {
    "The INPUT command selects the input of a channel",
    {"Channel { Ch1, Ch2 }",
     "Input { Intern (internal shunt), Extatt (external attenuator), Extshu (external shunt) }"}};
constexpr HelpRecord kIntegr = {
    "The INTEGR command causes the instrument to enter the INTEGRATOR mode and can set the integrator settings",
    {"Integration { Signed, Magnitude, Runtim (run time) }", "Result { Total, Average } OR Run Time (hours)",
     "Run Time (minutes)"}};
constexpr HelpRecord kIntegrQuery = {
    "The INTEGR? command reads INTEGRATOR results,  waits for next unread data if necessary",
    {"Phase { Phase1, Phase2, Phase3, Phases (all phases), Sum }"}};
constexpr HelpRecord kKeyboa = {"The KEYBOA command enables or disables the instrument's keyboard",
                                {"Keyboard { Enable, Disable }"}};
constexpr HelpRecord kLcr = {
    "The LCR command causes the instrument to enter the LCR meter mode and can set the LCR mode settings",
    {"Measurement { Auto, Capacitance, Inductance, Impedance }"}};
constexpr HelpRecord kLcrQuery = {"The LCR? command reads LCR results,  waits for next unread data if necessary",
                                  {"Phase { Phase1, Phase2, Phase3, Phases (all phases) }"}};
constexpr HelpRecord kLowfre = {"The LOWFRE command switches the low frequency mode on or off",
                                {"Low Frequency { On, Off }"}};
constexpr HelpRecord kMode = {"The MODE command sets the basic operating mode of the instrument",
                              {"Mode { Power, Integr, Harmon, Rms, LCR, Scope, Phasem }"}};
constexpr HelpRecord kMslave = {"The MSLAVE command sets the master or slave operation of the instrument",
                                {"Operation { Disable, Master, Slave }"}};
constexpr HelpRecord kMultil = {"The MULTIL command sets the lines of the multi line display",
                                {"Line Number (0 clears every line)", "Phase", "Function (number)"}};
constexpr HelpRecord kMultilQuery = {"The MULTIL? command reads the results of the multi line display",
                                     {"Line Number"}};
constexpr HelpRecord kNewloc = {"The NEWLOC command starts a new block of datalog records", {}};
constexpr HelpRecord kNoisef = {
    "The NOISEF command sets the noise filter of a phase",
    {"Phase { Phase1, Phase2, Phase3 }", "Noise Filter { On, Off }", "Filter Frequency (in Hz)"}};
constexpr HelpRecord kNoover = {"The NOOVER command switches the over range warning off or back on",
                                {"No Over Range { On, Off }"}};
constexpr HelpRecord kPfconv = {"The PFCONV command sets the sign convention of the power factor",
                                {"Convention { Neglag (negative lagging), Neglea (negative leading) }"}};
constexpr HelpRecord kPhasem = {
    "The PHASEM command causes the instrument to enter the PHASE METER mode and can set the phase reference",
    {"Reference { Ch1, Ch2 }"}};
constexpr HelpRecord kPhasemQuery = {
    "The PHASEM? command reads PHASE METER results,  waits for next unread data if necessary",
    {"Phase { Phase1, Phase2, Phase3, Phases (all phases) }"}};
constexpr HelpRecord kPhconv = {"The PHCONV command sets the phase angle convention",
                                {"Phase Convention { 180, -360, +360 }"}};
constexpr HelpRecord kPower = {
    "The POWER command causes the instrument to enter the POWER analysis mode and can set the power mode settings",
    {"Integration { Total, Average }"}};
constexpr HelpRecord kPowerQuery = {
    "The POWER? command reads the POWER analysis results,  waits for next unread data if necessary",
    {"Phase { Phase1, Phase2, Phase3, Sum, Neutral (current only) } [Additional,  optional parameter] OR Results { "
     "Watts, Voltage, Current, Vectors, Rms, Wva, Ph-ph }",
     "Results { Watts, Voltage, Current, Vectors, Rms, Wva, Ph-ph }"}};
constexpr HelpRecord kProgra = {"The PROGRA command recalls, stores or deletes a stored program",
                                {"Operation { Recall, Store, Delete }", "Program Number"}};
constexpr HelpRecord kPrograQuery = {"The PROGRA? command reads the list of stored programs", {}};
constexpr HelpRecord kRange = {
    "The RANGE command sets the ranging of a channel",
    {"Channel { Ch1, Ch2 }", "Ranging { Auto, Upauto (auto ranging up only), Manual }", "Range Number { 1-16 }"}};
constexpr HelpRecord kResolu = {"The RESOLU command sets the resolution of the results returned",
                                {"Resolution { Normal, High, Binary }"}};
constexpr HelpRecord kResult = {"The RESULT command recalls, stores or deletes a stored result",
                                {"Operation { Recall, Store, Delete }", "Result Number"}};
constexpr HelpRecord kResultQuery = {"The RESULT? command reads the list of stored results", {}};
constexpr HelpRecord kRezero = {"The REZERO command zeroes the instrument's inputs again", {}};
constexpr HelpRecord kScale = {"The SCALE command sets the scaling factor of a channel",
                               {"Channel { Ch1, Ch2 }", "Scale Factor"}};
constexpr HelpRecord kScopeQuery = {
    "The SCOPE? command reads SCOPE waveform data,  waits for next unread data if necessary",
    {"Phase { Phase1, Phase2, Phase3, Neutra (neutral), Voltage, Current } [Additional,  optional parameter] OR "
     "Waveform { Voltage, Current }",
     "Waveform { Voltage, Current }"}};
constexpr HelpRecord kScreenQuery = {"The SCREEN? command reads the instrument's screen as a bitmap",
                                     {"Format { Colour }"}};
constexpr HelpRecord kSetup = {"The SETUP command sets one item of the instrument setup", {"Setup Item", "Value"}};
constexpr HelpRecord kSetupQuery = {"The SETUP? command reads the instrument setup", {}};
constexpr HelpRecord kShunt = {"The SHUNT command sets the external shunt resistance of a channel",
                               {"Channel { Ch1, Ch2 }", "Shunt Resistance (in Ohms)"}};
constexpr HelpRecord kSmooth = {"The SMOOTH command sets the smoothing of the results",
                                {"Smoothing { None, Normal, Slow }", "Dynamic Response { Auto, Fixed }"}};
constexpr HelpRecord kSpeed = {
    "The SPEED command sets the measurement speed",
    {"Speed { Very Fast, Fast, Medium, Slow, Vslow (very slow), Window }", "Window Time (in seconds)"}};
constexpr HelpRecord kStart = {"The START command starts the datalog,  and/or starts the integrator running", {}};
constexpr HelpRecord kStatusQuery = {"The STATUS? command queries the ranging condition of the channels", {}};
constexpr HelpRecord kStop = {"The STOP command stops the datalog,  and/or stops the integrator running", {}};
constexpr HelpRecord kSuspen = {"The SUSPEN command suspends the measurements", {"Suspend { On, Off }"}};
constexpr HelpRecord kTagrep = {"The TAGREP command switches the tagging of replies on or off",
                                {"Tagged Replies { On, Off }"}};
constexpr HelpRecord kTemper = {
    "The TEMPER command sets the temperature measurement",
    {"Temperature { Disabled, Centig (Centigrade), Farhen (Fahrenheit) }", "Scale Factor", "Offset"}};
constexpr HelpRecord kTemperQuery = {"The TEMPER? command reads the temperature", {}};
constexpr HelpRecord kTorqsp = {"The TORQSP command sets the torque and speed inputs",
                                {"Input { Disabled, Analog, Pulsed, Offset }", "Torque Scale", "Speed Scale"}};
constexpr HelpRecord kTorqspQuery = {"The TORQSP? command reads the torque and speed results", {}};
constexpr HelpRecord kUserQuery = {"The USER? command reads the user text of the instrument", {}};
constexpr HelpRecord kVarcon = {"The VARCON command sets the sign convention of the reactive power",
                                {"Convention { Neglag (negative lagging), Neglea (negative leading) }"}};
constexpr HelpRecord kVersioQuery = {"The VERSIO? command reads the firmware version of the instrument", {}};
constexpr HelpRecord kVrms = {"The VRMS command causes the instrument to enter the RMS VOLTMETER mode", {}};
constexpr HelpRecord kVrmsQuery = {
    "The VRMS? command reads RMS VOLTMETER results,  waits for next unread data if necessary",
    {"Result { Rms, Mean, Surge }", "Phase { Phase1, Phase2, Phase3, Phases (all phases) }"}};
constexpr HelpRecord kWiring = {"The WIRING command sets the wiring configuration",
                                {"Wiring { Single, 2phase, 3ph2wa, 3ph3wa, Indph3, Phase1, Phase2, Phase3, Indep }"}};
constexpr HelpRecord kZero = {"The ZERO command applies or removes the zero offset of the results",
                              {"Zero { Delete }"}};
constexpr HelpRecord kZoom = {
    "The ZOOM command sets the zoom level and data on the instrument's screen",
    {"Zoom Level { 0 (no zoom),  1 (normal zoom),  2 (4 line zoom) [Additonally,  4 optional parameters],  3 (3 line "
     "zoom) [Addiitonally,  3 optional parameters] }",
     "Zoom data index (index on screen,  starting from 1,  left to right,  top to bottom)",
     "Zoom data index (index on screen,  starting from 1,  left to right,  top to bottom)",
     "Zoom data index (index on screen,  starting from 1,  left to right,  top to bottom)",
     "Zoom data index (index on screen,  starting from 1,  left to right,  top to bottom)"}};
constexpr HelpRecord kZoomQuery = {
    "The ZOOM? command returns the zoom level and zoom data index,  returns as follows: { level (0->no zoom, 1->normal "
    "zoom,  2-> 4 line zoom,  3->3 line zoom ),  zoom data index,  zoom data,  zoom data index,  zoom data index,  "
    "zoom data index }",
    {}};

// --- the rows ------------------------------------------------------------------------

constexpr const char* kDefault = "default";

constexpr CommandEntry kHxaEntries[] = {
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
    {"alarm,,", &kAlarm, {&kOnOff, &kEnabledDisabled}, "HXA_ALARM"},                    // 13
    {"alarm?", &kAlarmQuery, {}, "HXA_ALARM"},                                          // 14
    {"alarm1,,,,", &kAlarm1, {&kAlarm1Types}, "HXA_ALARM1"},                            // 15
    {"alarm2,,,,", &kAlarm2, {&kAlarm2Types}, "HXA_ALARM2"},                            // 16
    {"alarme,", &kAlarme, {}, kDefault},                                                // 17
    {"alarme?", &kAlarmeQuery, {}, kDefault},                                           // 18
    {"applic,", &kApplic, {&kApplications}, "HXA_APPLIC"},                              // 19
    {"applic,,", &kApplic, {&kApplications}, "HXA_APPLIC"},                             // 20
    {"bandwi,", &kBandwi, {&kBandwidths}, "HXA_BANDWI"},                                // 21
    {"bandwi,,", &kBandwiPhase, {&kPhase123, &kBandwidths}, "HXA_BANDWI"},              // 22
    {"bandwi,?", &kBandwiQuery, {&kPhase123}, "HXA_BANDWI"},                            // 23
    {"beep", &kBeep, {}, kDefault},                                                     // 24
    {"blanki,", &kBlanki, {&kOnOff}, "HXA_BLANKI"},                                     // 25
    {"calver,", &kCalver, {}, kDefault},                                                // 26
    {"calver?", &kCalverQuery, {}, kDefault},                                           // 27
    {"config,,", &kConfig, {}, kDefault},                                               // 28
    {"config,?", &kConfigQuery, {}, kDefault},                                          // 29
    {"coupli,,", &kCoupli, {&kPhase123, &kCouplings}, "HXA_COUPLI"},                    // 30
    {"coupli,?", &kCoupliQuery, {&kPhase123}, "HXA_COUPLI"},                            // 31
    {"datalo,,", &kDatalo, {&kDatalogModes}, "HXA_DATALO"},                             // 32
    {"datalo,,,", &kDatalo, {&kDatalogModes, nullptr, &kHigh}, "HXA_DATALO"},           // 33
    {"datalo,?", &kDataloQuery, {&kDatalogRecords}, "HXA_DATALO"},                      // 34
    {"datalo,,?", &kDataloQuery, {}, "HXA_DATALO"},                                     // 35
    {"dav?", &kDavQuery, {}, kDefault},                                                 // 36
    {"daver,", &kDaver, {}, kDefault},                                                  // 37
    {"daver?", &kDaverQuery, {}, kDefault},                                             // 38
    {"display,", &kDisplay, {&kDisplays}, "HXA_DISPLAY"},                               // 39
    {"display?", &kDisplayQuery, {}, "HXA_DISPLAY"},                                    // 40
    {"effici,", &kEffici, {}, kDefault},                                                // 41
    {"effici?", &kEfficiQuery, {}, kDefault},                                           // 42
    {"fast,", &kFast, {&kOnOff}, "HXA_FAST"},                                           // 43
    {"fqlock,", &kFqlock, {&kOnOff}, "HXA_FQLOCK"},                                     // 44
    {"fqref,", &kFqref, {&kFrequencyReferences}, "HXA_FQREF"},                          // 45
    {"fqref,,", &kFqref, {nullptr, &kFrequencySources}, "HXA_FQREF"},                   // 46
    {"freqfi,", &kFreqfi, {&kOnOff}, "HXA_FREQFI"},                                     // 47
    {"freque,", &kFreque, {}, kDefault},                                                // 48
    {"harmon", &kHarmon, {&kHarmonicFormulas}, "HXA_HARMON"},                           // 49
    {"harmon,,,", &kHarmon, {&kHarmonicFormulas}, "HXA_HARMON"},                        // 50
    {"harmon?", &kHarmonQuery, {&kHarmonicPhases}, "HXA_HARMON"},                       // 51
    {"harmon,?", &kHarmonQuery, {&kHarmonicPhases}, "HXA_HARMON"},                      // 52
    {"harmon,series?", &kHarmonQuery, {&kHarmonicPhases}, "HXA_HARMON"},                // 53
    {"harmon,,series?", &kHarmonQuery, {&kHarmonicPhases, &kSeries}, "HXA_HARMON"},     // 54
    {"hold,", &kHold, {&kOnOff}, "HXA_HOLD"},                                           // 55
    {"input,,", &kInput, {&kChannels, &kInputs}, "HXA_INPUT"},                          // 56
    {"integr", &kIntegr, {&kIntegratorModes, &kTotalAverage}, "HXA_INTEGR"},            // 57
    {"integr,,", &kIntegr, {&kIntegratorModes}, "HXA_INTEGR"},                          // 58
    {"integr,runtim,,", &kIntegr, {}, "HXA_INTEGR"},                                    // 59
    {"integr?", &kIntegrQuery, {}, "HXA_INTEGR"},                                       // 60
    {"integr,?", &kIntegrQuery, {&kIntegratorPhases}, "HXA_INTEGR"},                    // 61
    {"keyboa,", &kKeyboa, {&kEnableDisable}, "HXA_KEYBOA"},                             // 62
    {"lcr", &kLcr, {}, "HXA_LCR"},                                                      // 63
    {"lcr,", &kLcr, {&kLcrMeasurements}, "HXA_LCR"},                                    // 64
    {"lcr?", &kLcrQuery, {}, "HXA_LCR"},                                                // 65
    {"lcr,?", &kLcrQuery, {&kPhases}, "HXA_LCR"},                                       // 66
    {"lowfre,", &kLowfre, {&kOnOff}, "HXA_LOWFRE"},                                     // 67
    {"mode,", &kMode, {&kModes}, "HXA_MODE"},                                           // 68
    {"mslave,", &kMslave, {&kMasterSlave}, "HXA_MSLAVE"},                               // 69
    {"multil,0", &kMultil, {}, kDefault},                                               // 70
    {"multil,,,", &kMultil, {}, kDefault},                                              // 71
    {"multil?", &kMultilQuery, {}, kDefault},                                           // 72
    {"multil,?", &kMultilQuery, {}, kDefault},                                          // 73
    {"newloc", &kNewloc, {}, kDefault},                                                 // 74
    {"noisef,,,", &kNoisef, {&kPhase123, &kOnOff}, "HXA_NOISEF"},                       // 75
    {"noover,", &kNoover, {&kOnOff}, "HXA_NOOVER"},                                     // 76
    {"pfconv,", &kPfconv, {&kSignConventions}, "HXA_PFCONV"},                           // 77
    {"phasem", &kPhasem, {&kChannels}, "HXA_PHASEM"},                                   // 78
    {"phasem,", &kPhasem, {}, "HXA_PHASEM"},                                            // 79
    {"phasem?", &kPhasemQuery, {}, "HXA_PHASEM"},                                       // 80
    {"phasem,?", &kPhasemQuery, {&kPhases}, "HXA_PHASEM"},                              // 81
    {"phconv,", &kPhconv, {&kPhaseConventions}, "HXA_PHCONV"},                          // 82
    {"power", &kPower, {}, "HXA_POWER"},                                                // 83
    {"power,", &kPower, {&kTotalAverage}, "HXA_POWER"},                                 // 84
    {"power?", &kPowerQuery, {}, "HXA_POWER"},                                          // 85
    {"power,?", &kPowerQuery, {&kPowerPhasesOrResults}, "HXA_POWER"},                   // 86
    {"power,,?", &kPowerQuery, {&kPowerPhasesOrResults, &kPowerResults}, "HXA_POWER"},  // 87
    {"progra,,", &kProgra, {&kStoreOperations}, "HXA_PROGRA"},                          // 88
    {"progra?", &kPrograQuery, {}, "HXA_PROGRA"},                                       // 89
    {"range,,", &kRange, {&kChannels, &kRangings}, "HXA_RANGE"},                        // 90
    {"range,,,", &kRange, {}, "HXA_RANGE"},                                             // 91
    {"resolu,", &kResolu, {&kResolutions}, "HXA_RESOLU"},                               // 92
    {"result,,", &kResult, {&kStoreOperations}, "HXA_RESULT"},                          // 93
    {"result?", &kResultQuery, {}, "HXA_RESULT"},                                       // 94
    {"rezero", &kRezero, {}, kDefault},                                                 // 95
    {"scale,,", &kScale, {&kChannels}, "HXA_SCALE"},                                    // 96
    {"scope?", &kScopeQuery, {}, "HXA_SCOPE"},                                          // 97
    {"scope,?", &kScopeQuery, {&kScopePhases}, "HXA_SCOPE"},                            // 98
    {"scope,,?", &kScopeQuery, {&kScopePhases, &kVoltageCurrent}, "HXA_SCOPE"},         // 99
    {"screen?", &kScreenQuery, {}, kDefault},                                           // 100
    {"screen,colour?", &kScreenQuery, {}, kDefault},                                    // 101
    {"setup,,", &kSetup, {}, kDefault},                                                 // 102
    {"setup?", &kSetupQuery, {}, kDefault},                                             // 103
    {"shunt,,", &kShunt, {&kChannels}, "HXA_SHUNT"},                                    // 104
    {"smooth,", &kSmooth, {&kSmoothings}, "HXA_SMOOTH"},                                // 105
    {"smooth,,", &kSmooth, {&kSmoothings, &kAutoFixed}, "HXA_SMOOTH"},                  // 106
    {"speed,", &kSpeed, {&kSpeeds}, "HXA_SPEED"},                                       // 107
    {"speed,window,", &kSpeed, {&kSpeeds}, "HXA_SPEED"},                                // 108
    {"start", &kStart, {}, kDefault},                                                   // 109
    {"status?", &kStatusQuery, {}, "HXA_STATUS"},                                       // 110
    {"status,?", &kStatusQuery, {&kStatusChannels}, "HXA_STATUS"},                      // 111
    {"stop", &kStop, {}, kDefault},                                                     // 112
    {"suspen,", &kSuspen, {&kOnOff}, "HXA_SUSPEN"},                                     // 113
    {"tagrep,", &kTagrep, {&kOnOff}, "HXA_TAGREP"},                                     // 114
    {"temper,,,", &kTemper, {&kTemperatures}, "HXA_TEMPER"},                            // 115
    {"temper?", &kTemperQuery, {}, "HXA_TEMPER"},                                       // 116
    {"torqsp,,,", &kTorqsp, {&kTorqueInputs}, "HXA_TORQSP"},                            // 117
    {"torqsp,offset,,", &kTorqsp, {&kTorqueInputs}, "HXA_TORQSP"},                      // 118
    {"torqsp?", &kTorqspQuery, {}, "HXA_TORQSP"},                                       // 119
    {"user?", &kUserQuery, {}, kDefault},                                               // 120
    {"varcon,", &kVarcon, {&kSignConventions}, "HXA_VARCON"},                           // 121
    {"versio?", &kVersioQuery, {}, kDefault},                                           // 122
    {"vrms", &kVrms, {}, "HXA_VRMS"},                                                   // 123
    {"vrms?", &kVrmsQuery, {}, "HXA_VRMS"},                                             // 124
    {"vrms,,?", &kVrmsQuery, {&kVrmsResults, &kPhases}, "HXA_VRMS"},                    // 125
    {"wiring,", &kWiring, {&kWirings}, "HXA_WIRING"},                                   // 126
    {"zero", &kZero, {}, kDefault},                                                     // 127
    {"zero,delete", &kZero, {}, kDefault},                                              // 128
    {"zoom,", &kZoom, {}, kDefault},                                                    // 129
    {"zoom,,", &kZoom, {}, kDefault},                                                   // 130
    {"zoom,,,", &kZoom, {}, kDefault},                                                  // 131
    {"zoom,,,,", &kZoom, {}, kDefault},                                                 // 132
    {"zoom,,,,,", &kZoom, {}, kDefault},                                                // 133
    {"zoom?", &kZoomQuery, {}, kDefault},                                               // 134
};

constexpr int kHxaCount = static_cast<int>(sizeof kHxaEntries / sizeof kHxaEntries[0]);
static_assert(kHxaCount == 135, "the HXA command set has 135 rows");

}  // namespace

const CommandDictionary HxaCommandSet = {"HXA", kHxaEntries, kHxaCount};

}  // namespace qb
