#pragma once
// The store check, and what the run and it share inside this module.

#include <cstdint>
#include <optional>

#include "check/Forecast.h"
#include "check/History.h"
#include "check/RunState.h"

namespace mdlOrvane {

// Reads the history file beside the settings file, or starts anew (and says so)
// when it is damaged; saves it back once the stores are checked.
void LoadHistory();
void SaveHistory();

// Whether Unicode files, and offline files, are watched too: only when the
// organisation sets a size for them.
bool WatchesUnicode();

// Whether the mail client, by a policy or preference of its own, stops taking
// data into ANSI files before LimitSize: the room left is then measured to there.
bool ClientStopsFirst();

// What a file is held against, in KB, decided in this one place from its format,
// the settings and the mail client's limits: the warning size, the limit its
// event names (LimitSize; for a Unicode file the client's stop), the wall its
// room is measured to (LimitSize, or the client's stop where ClientStopsFirst),
// and where the client stops adding data to it.
struct StoreSizes {
  std::int64_t warningKb = 0;
  std::int64_t limitKb = 0;
  std::int64_t wallKb = 0;
  std::int64_t stopKb = 0;

  // The file's stage at `sizeKb`: none below the warning size (early when the
  // forecast reaches the stop within ForecastWarningWeeks), warned, urgent from
  // UrgentPercent of the stop, full at it.
  history::Band BandOf(std::int64_t sizeKb, const std::optional<forecast::Forecast>& forecast) const;
};
StoreSizes SizesOf(profile::PstFormat format);

// Checks CurrentStore: logs it, reads its file's header, measures it and warns
// when it is at or over the warning size and not excluded; each such warning is
// also reported to the system's log, with what became of its dialog. The header
// decides the format where it can be read (the profile's record where it cannot,
// and the log says why); where it and the profile disagree, the log says so. The
// room left is measured to LimitSize, or to the mail client's stop when a policy
// or preference of the client's puts that lower (ClientLimits). A Unicode file
// (or an offline file, .ost) is measured only when LargeWarningSize is set, against
// it, with the room left up to the client's stop for such files; then a file
// checked already in this profile is not checked again. With ReportOnly
// set the warning is logged and reported, and no dialog is shown. A store without
// display name or path is no personal folder and is passed over without a line.
//
// Each checked file's size, and the data its header says it holds, is recorded
// once a day in the run's history (beside the settings file). From it comes a
// forecast of when the file reaches the client's stop, logged and shown, and
// the file's stage: warned, urgent (UrgentPercent of the stop) or full. With
// RemindDays a warning is shown again only that many days later unless its stage
// rose; an excluded file is shown once more as it becomes urgent and as it
// becomes full (unless FinalExclusions); ForecastWarningWeeks warns early of a
// file that grows fast; a file the client may not grow (PSTDisableGrow) gets no
// dialog. A warning not shown still gets its event.
void CheckStore();

// A file length in bytes as whole kibibytes, rounded up (1025 bytes are 2 KB).
std::int64_t SizeInKb(std::int64_t length);

}  // namespace mdlOrvane
