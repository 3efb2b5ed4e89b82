#include "log/Reasons.h"

#include "platform/EndRequest.h"

namespace texts {

std::string_view ReasonOf(platform::WriteError error) {
  switch (error) {
    case platform::WriteError::NotOneLine:
      return Of(Id::NotOneLine);
    case platform::WriteError::AccessDenied:
      return Of(Id::WriteDenied);
    case platform::WriteError::DiskFull:
      return Of(Id::DiskFull);
    case platform::WriteError::NotAFile:
      return Of(Id::NotAFile);
    case platform::WriteError::Busy:
      return Of(Id::InUse);
    case platform::WriteError::BrokenLink:
      return Of(Id::BrokenLink);
    case platform::WriteError::LinkLoop:
      return Of(Id::LinkLoop);
    case platform::WriteError::ForeignLink:
      return Of(Id::ForeignLink);
    case platform::WriteError::HardLink:
      return Of(Id::HardLink);
    case platform::WriteError::NoPlace:
      return Of(Id::NoPlace);
    case platform::WriteError::NotReadBack:
      return Of(Id::NotReadBack);
    case platform::WriteError::None:
    case platform::WriteError::Other:
      break;
  }
  return Of(Id::WriteFailed);
}

std::string_view ReasonOf(platform::ReadStatus status) {
  switch (status) {
    case platform::ReadStatus::InUse:
      return Of(Id::InUse);
    case platform::ReadStatus::AccessDenied:
      return Of(Id::ReadDenied);
    case platform::ReadStatus::NoAnswer:
      return GivenUp();
    case platform::ReadStatus::Read:
    case platform::ReadStatus::Failed:
      break;
  }
  return Of(Id::ReadFailed);
}

std::string_view ReasonOf(platform::ProfileFileState state) {
  switch (state) {
    case platform::ProfileFileState::BrokenLink:
      return Of(Id::BrokenLink);
    case platform::ProfileFileState::LinkLoop:
      return Of(Id::LinkLoop);
    case platform::ProfileFileState::AccessDenied:
      return Of(Id::ReadDenied);
    case platform::ProfileFileState::NotAFile:
      return Of(Id::NotAFile);
    case platform::ProfileFileState::Missing:
    case platform::ProfileFileState::Readable:
    case platform::ProfileFileState::Unreadable:
      break;
  }
  return Of(Id::ReadFailed);
}

std::string_view ReasonOf(platform::FolderState state) {
  return Of(state == platform::FolderState::OtherOwner ? Id::OthersFolder : Id::OthersMayWriteFolder);
}

std::string_view ReasonOf(platform::HiveProblem problem) {
  return problem == platform::HiveProblem::NoAnswer ? GivenUp() : Of(Id::OthersFile);
}

std::string_view ReasonOf(platform::OwnFileRead read) {
  return Of(read == platform::OwnFileRead::OthersFile ? Id::OthersFile : Id::ReadFailed);
}

std::string_view GivenUp() { return Of(platform::EndRequested() ? Id::AskedToEnd : Id::NoAnswer); }

std::string Because(Id label, std::string_view subject, std::string_view why) {
  std::string line = Str(label);
  line.append(subject).append(" (").append(why).append(")");
  return line;
}

}  // namespace texts
