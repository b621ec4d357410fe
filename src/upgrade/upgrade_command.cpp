// The Upgrade Firmware command's flow; see upgrade_command.h.
#include "upgrade/upgrade_command.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/ui_seam.h"
#include "connection/identification.h"
#include "resources/text_table.h"
#include "upgrade/upgrade_descriptor.h"
#include "upgrade/upgrade_report.h"

namespace qb {

namespace {

constexpr unsigned kMbIconQuestion = 0x20;
constexpr char kTooManyLoadLines[] =
    "The upgrade descriptor file has more load lines than an upgrade can take (at most 49)";

// PollingEnabled clear while it lives, as it was afterwards; the wait cursor
// from Show() on.
class CommandScope {
 public:
  explicit CommandScope(InstrumentLink* link) : link_(link), saved_(link->PollingEnabled) {
    link_->PollingEnabled = false;
  }
  ~CommandScope() {
    if (cursorShown_) RestoreCursor(cursor_);
    link_->PollingEnabled = saved_;
  }
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;
  void ShowWait() {
    cursor_ = ShowWaitCursor();
    cursorShown_ = true;
  }

 private:
  InstrumentLink* link_;
  bool saved_;
  void* cursor_ = nullptr;
  bool cursorShown_ = false;
};

std::string Identification(const InstrumentLink* link) {
  return std::string(link->identification, strnlen(link->identification, sizeof link->identification));
}

// The extension of the file's name (after its last full stop), "" when none.
std::string Extension(const std::string& path) {
  size_t name = path.find_last_of("\\/");
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (name != std::string::npos && dot < name)) return "";
  return path.substr(dot + 1);
}

bool SameNoCase(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

std::string FillWrongInstrument(const std::string& target, const std::string& model) {
  const char* format = TextTableEntry(TXT_WRONG_INSTRUMENT);
  int length = snprintf(nullptr, 0, format, target.c_str(), model.c_str());
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  snprintf(&text[0], text.size(), format, target.c_str(), model.c_str());
  text.resize(text.size() - 1);
  return text;
}

}  // namespace

int SelectRecordsInRange(const LoadRecord* records, int count, const std::string& identification, LoadRecord* out) {
  int32_t number = InstrumentNumberFromIdentification(identification);
  int selected = 0;
  for (int i = 0; records && out && i < count; ++i) {
    if (RecordInRange(records[i], number)) out[selected++] = records[i];
  }
  return selected;
}

UpgradeOutcome RunUpgradeFirmwareCommand(void* owner, InstrumentLink* link, const UpgradeViews& views) {
  if (!link) return UpgradeOutcome::LinkNotOpened;
  CommandScope scope(link);
  std::string chosen;
  if (!views.chooseFile || !views.chooseFile(owner, chosen)) return UpgradeOutcome::Cancelled;

  std::vector<LoadRecord> records(kMaxLoadRecords);
  bool problem = false;
  int count = 0;
  bool detected = false;
  std::string target;
  scope.ShowWait();

  if (link->ConnectedFlag) {
    LinkControl(LINK_CLOSE, link);
    link->ConnectedFlag = false;
    link->ConnectedFlag = IdentifyInstrument(owner, link, false, 1);
    detected = link->ConnectedFlag;
  }
  if (!detected && ShowMessageBox(owner, TextTableEntry(TXT_NO_INSTRUMENT_CONTINUE), TextTableEntry(TXT_PROGRAM_NAME),
                                  kMbYesNo | kMbIconQuestion) != kIdYes) {
    count = -1;
  }
  LinkControl(LINK_CLOSE, link);
  link->ConnectedFlag = IdentifyInstrument(owner, link, false, 0);
  if (!link->ConnectedFlag) return UpgradeOutcome::LinkNotOpened;
  if (count == -1) return UpgradeOutcome::NotContinued;

  std::string extension = Extension(chosen);
  if (SameNoCase(extension, "hex")) {
    count = BuildHexFileSet(records.data(), problem, owner, chosen);
  } else if (SameNoCase(extension, "upg")) {
    count = ParseUpgradeDescriptor(problem, chosen, records.data(), kMaxLoadRecords, target);
  }
  if (count == -1) return UpgradeOutcome::NoFileSet;
  if (count == 0) {
    ShowMessageBox(owner, TextTableEntry(TXT_NO_LOAD_LINES), TextTableEntry(TXT_UPGRADE_FIRMWARE), kMbIconInformation);
    return UpgradeOutcome::NoFileSet;
  }
  if (count >= kMaxLoadRecords) {
    ShowMessageBox(owner, kTooManyLoadLines, TextTableEntry(TXT_UPGRADE_FIRMWARE), kMbIconExclamation);
    return UpgradeOutcome::NoFileSet;
  }

  const std::string identification = Identification(link);
  if (detected && !target.empty()) {
    std::string model = ModelFromIdentification(identification);
    if (model.size() < target.size() || strncasecmp(model.c_str(), target.c_str(), target.size()) != 0) {
      if (ShowMessageBox(owner, FillWrongInstrument(target, model).c_str(), TextTableEntry(TXT_PROGRAM_NAME),
                         kMbYesNo | kMbIconExclamation) != kIdYes)
        return UpgradeOutcome::WrongInstrument;
    }
  }

  CheckLoadRecordFiles(records.data(), count);
  std::string report = BuildProposedOperationReport(target, problem, records.data(), count, identification);
  if (!views.showFilesList || views.showFilesList(owner, report, problem) != kAcceptButton || problem)
    return UpgradeOutcome::NotAccepted;

  // Only what the report listed goes to the instrument.
  std::vector<LoadRecord> transfer(kMaxLoadRecords);
  UpgradeJob job;
  job.records = transfer.data();
  job.count = SelectRecordsInRange(records.data(), count, identification, transfer.data());
  if (views.runUpgrade) views.runUpgrade(owner, job);
  if (job.success && link->kind == LINK_LAN) {
    // The instrument has restarted: a new connection.
    LinkControl(LINK_CLOSE, link);
    link->ConnectedFlag = LinkControl(LINK_OPEN, link) == 0;
  }
  return UpgradeOutcome::Transferred;
}

}  // namespace qb
