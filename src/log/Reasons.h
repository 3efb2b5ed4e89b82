#pragma once
// Why something could not be done, in a few words of the run's language, and the
// log's lines that name a thing and say why, put together in one place:
// "設定ファイルに保存できません: LimitSize (ファイルではありません)".
// The floors below say what happened (a status of their own); only here does
// that become words.

#include <string>
#include <string_view>

#include "log/Texts.h"
#include "platform/FileQuery.h"
#include "platform/FileSystem.h"
#include "platform/ProfileString.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"
#include "platform/WriteError.h"

namespace texts {

// "書き込みが許可されていません" and the like: why a file could not be written.
std::string_view ReasonOf(platform::WriteError error);
// "ほかのプログラムが使用中です" and the like: why a file's first bytes could not be read
// (NoAnswer as GivenUp says it).
std::string_view ReasonOf(platform::ReadStatus status);
// Why an administrator's settings file could not be read (Missing and Readable are no reason).
std::string_view ReasonOf(platform::ProfileFileState state);
// Why a user folder is not used (Usable is no reason).
std::string_view ReasonOf(platform::FolderState state);
// Why a registry file was not read.
std::string_view ReasonOf(platform::HiveProblem problem);
// Why a file of the run's own state could not be read (OthersFile, Failed).
std::string_view ReasonOf(platform::OwnFileRead read);

// Why a wait for a file system ended: it did not answer in time, or the run was
// asked to end while it waited.
std::string_view GivenUp();

// `label` (which ends in its own separator, "…できません: "), then `subject` and,
// in brackets, `why`: the shape of every line that names a thing and a reason.
std::string Because(Id label, std::string_view subject, std::string_view why);

}  // namespace texts
