// Identification of the connected instrument from its "*IDN?" reply; see
// identification.h.
#include "connection/identification.h"

#include <cstdio>
#include <cstring>

#include "common/ui_seam.h"

namespace qb {

namespace {

constexpr char kCaption[] = "Test Connection";

struct Prefix {
  const char* text;
  size_t length;
};

constexpr Prefix kKrv = {"QUARTZLINE,KRV", 14};
constexpr Prefix kZtq = {"QUARTZLINE,ZTQ", 14};
constexpr Prefix kDwtx = {"QUARTZLINE,DWTX", 15};
constexpr Prefix kHxa = {"QUARTZLINE,HXA", 14};
constexpr Prefix kMarbleway = {"Marbleway,", 10};

bool Begins(const char* reply, const Prefix& prefix) {
  return strncmp(reply, prefix.text, prefix.length) == 0;
}

// The model digits after an HXA prefix, in the order they are tested.
constexpr struct {
  const char* digits;
  InstrumentFamily family;
} kHxaModels[] = {{"45", FAMILY_HXA45}, {"55", FAMILY_HXA55}, {"15", FAMILY_HXA15},
                  {"25", FAMILY_HXA25}, {"26", FAMILY_HXA26}, {"5", FAMILY_HXA5}};

// Copies a fixed-size field of the link into a terminated text.
template <size_t N>
void FieldText(const char (&field)[N], char* out, size_t size) {
  snprintf(out, size, "%.*s", static_cast<int>(strnlen(field, N)), field);
}

void SetIdentification(InstrumentLink* link, const char* reply) {
  snprintf(link->identification, sizeof link->identification, "%s", reply);
}

// Up to five queries; stops at the first reply with an accepted prefix. The
// buffer holds the last reply read (empty when none came).
void QueryLoop(InstrumentLink* link, char* reply) {
  for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
    SendCommand(kIdentifyQuery, link);
    int length = ReadReply(reply, kIdentifyReplySize, link);
    if (length <= 0) reply[0] = '\0';
    if (length > 0 && HasAcceptedPrefix(reply)) return;
  }
}

}  // namespace

bool HasAcceptedPrefix(const char* reply) {
  if (!reply) return false;
  return Begins(reply, kKrv) || Begins(reply, kZtq) || Begins(reply, kDwtx) || Begins(reply, kHxa) ||
         Begins(reply, kMarbleway);
}

int32_t ClassifyIdentification(const char* reply) {
  if (!reply) return FAMILY_UNKNOWN;
  if (Begins(reply, kKrv)) return strncmp(reply + kKrv.length, "17", 2) == 0 ? FAMILY_KRV17 : FAMILY_UNKNOWN;
  if (Begins(reply, kDwtx)) return FAMILY_UNKNOWN;
  if (Begins(reply, kHxa)) {
    const char* model = reply + kHxa.length;
    for (const auto& m : kHxaModels) {
      if (strncmp(model, m.digits, strlen(m.digits)) == 0) return m.family;
    }
    return FAMILY_UNKNOWN;
  }
  if (Begins(reply, kZtq) || Begins(reply, kMarbleway)) return FAMILY_ZTQ;
  return FAMILY_UNKNOWN;
}

bool IdentifyInstrument(void* owner, InstrumentLink* link, bool report, int probe) {
  if (!link || link->kind == LINK_NONE) return false;
  char message[256];
  if (LinkControl(LINK_OPEN, link) != 0) {
    char where[32];
    if (link->kind == LINK_LAN) {
      FieldText(link->ipAddress, where, sizeof where);
      snprintf(message, sizeof message, "Failed to connect to IP address %s", where);
    } else {
      FieldText(link->portName, where, sizeof where);
      snprintf(message, sizeof message, "Unable to open port %s", where);
    }
    ShowMessageBox(owner, message, kCaption, kMbIconInformation);
    LinkControl(LINK_CLOSE, link);
    return false;
  }

  char reply[kIdentifyReplySize] = {};
  if (!report && probe == 0) {
    // Connect mode: quick attempts; the link stays open whatever the answer.
    SetReadTimeout(kConnectModeTimeoutMs, link);
    QueryLoop(link, reply);
    SetReadTimeout(kDefaultReadTimeoutMs, link);
    if (HasAcceptedPrefix(reply)) link->family = ClassifyIdentification(reply);
    SetIdentification(link, reply);
    return true;
  }

  // Check mode: patient attempts under the wait cursor, then the link closes.
  SetReadTimeout(kCheckModeTimeoutMs, link);
  void* previousCursor = ShowWaitCursor();
  QueryLoop(link, reply);
  RestoreCursor(previousCursor);
  SetReadTimeout(kDefaultReadTimeoutMs, link);
  bool result = false;
  if (reply[0] != '\0' && HasAcceptedPrefix(reply)) {
    link->family = ClassifyIdentification(reply);
    SetIdentification(link, reply);
    result = link->family != FAMILY_UNKNOWN;
    if (report) {
      snprintf(message, sizeof message, "%s%s", result ? "The connection was successful\n" : "The connection failed",
               reply);
      ShowMessageBox(owner, message, kCaption, kMbIconInformation);
    }
  }
  if (!result && report) ShowMessageBox(owner, "The connection failed", kCaption, kMbIconExclamation);
  LinkControl(LINK_CLOSE, link);
  return result;
}

}  // namespace qb
