// The warning dialog on Linux, as the run sees it: for each warning a process of
// the run's own shows it and the run waits for that process. The module that
// draws it (DialogModule.cpp, with FLTK and X11 behind it) is built first and its
// file is carried inside the program, so that the program is one file that can be
// copied anywhere; the process writes the bytes into an anonymous memory file
// that the dynamic loader opens. The run itself never loads FLTK or X11, and
// whatever befalls the display befalls only the process that showed the dialog.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "platform/EndRequest.h"
#include "ui/NativeDialog.h"
#include "ui/fltk/DialogModule.h"
#include "ui/frmWarning.h"

// The module's file, from the build (ORVANE_DIALOG_MODULE names it).
// clang-format off
__asm__(".pushsection .rodata.orvane_dialog_module,\"a\",@progbits\n"
        ".balign 16\n"
        "orvane_dialog_module_begin:\n"
        ".incbin \"" ORVANE_DIALOG_MODULE "\"\n"
        "orvane_dialog_module_end:\n"
        ".popsection\n");
// clang-format on
extern "C" const unsigned char orvane_dialog_module_begin[];
extern "C" const unsigned char orvane_dialog_module_end[];

namespace ui {
namespace {

using warning::ControlKind;
using warning::kWarningLayout;

// The module's entry point, or nullptr when it cannot be loaded (no memory files,
// no /proc, or FLTK and X11 missing from the system).
ShowWarningFunction LoadDialogModule() {
  const int fd = memfd_create("OrvaneDialog.so", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  const unsigned char* next = orvane_dialog_module_begin;
  while (next < orvane_dialog_module_end) {
    const ssize_t written = write(fd, next, static_cast<std::size_t>(orvane_dialog_module_end - next));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      close(fd);
      return nullptr;
    }
    next += written;
  }
  // The loader maps the file; the descriptor is not needed once it has.
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  close(fd);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<ShowWarningFunction>(dlsym(module, kDialogEntryPoint));
}

// The dialog process's exit statuses besides the module's results: it could not
// load the module, or found the run gone.
constexpr int kNoModule = kOrvaneFailed + 1;
constexpr int kRunGone = kOrvaneFailed + 2;

// How the dialog's process ended, as the run saw it end.
struct DialogEnd {
  enum class How {
    Exited,         // `value` is its exit status: a module result, kNoModule or kRunGone
    Signalled,      // `value` is the signal that ended it
    DisplaySilent,  // the display did not answer in time; the run ended it
    EndRequested,   // the run was asked to end, and ended it
  };
  How how;
  int value = 0;
};

// How long a display may take to answer the connection before the dialog is given
// up: an X server that accepts it and then never answers would hold the run for ever.
constexpr std::chrono::seconds kDisplayAnswer{10};

void FolderOpen(void* form) {
  try {
    static_cast<frmWarning*>(form)->cmdFolderOpen_Click();
  } catch (...) {  // nothing throws back into the module
  }
}

// Shows `form` with the module, in the process of its own; returns how it ended.
int ShowWithModule(frmWarning& form, int answeredFd) {
  const ShowWarningFunction show = LoadDialogModule();
  if (show == nullptr) return kNoModule;
  std::array<OrvaneControl, kWarningLayout.size()> controls{};
  const int growth = warning::GrowthTwips(form);
  for (std::size_t i = 0; i < kWarningLayout.size(); ++i) {
    const warning::ControlLayout& c = kWarningLayout[i];
    const WarningControl& state = form.*c.control;
    const int kind = c.kind == ControlKind::Label    ? kOrvaneLabel
                     : c.kind == ControlKind::Button ? kOrvaneButton
                                                     : kOrvaneCheckBox;
    controls[i] = {.kind = kind,
                   .left = c.left,
                   .top = warning::TopTwips(c, growth),
                   .width = c.width,
                   .height = warning::HeightTwips(c, growth),
                   .face = c.font.face,
                   .points = c.font.points,
                   .bold = c.font.bold ? 1 : 0,
                   .red = c.red ? 1 : 0,
                   .centred = c.align == warning::TextAlign::Center ? 1 : 0,
                   .caption = state.Caption.c_str(),
                   .visible = state.Visible ? 1 : 0,
                   .value = state.Value,
                   .beside = c.caption == nullptr ? -1 : static_cast<int>(warning::IndexOf(c.caption))};
  }
  const OrvaneDialog dialog{.caption = warning::kFormCaption,
                            .width = warning::kFormWidthTwips,
                            .height = warning::kFormHeightTwips + growth,
                            .japanese = warning::JapaneseTexts() ? 1 : 0,
                            .controls = controls.data(),
                            .count = controls.size(),
                            .closeButton = warning::IndexOf(&frmWarning::cmdClose),
                            .folderButton = warning::IndexOf(&frmWarning::cmdFolderOpen),
                            .folderOpen = FolderOpen,
                            .context = &form,
                            .answeredFd = answeredFd};
  return show(&dialog);
}

// How the process `child` ended, once it has.
DialogEnd Reap(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return {DialogEnd::How::Signalled, SIGKILL};
  }
  if (WIFEXITED(status)) return {DialogEnd::How::Exited, WEXITSTATUS(status)};
  return {DialogEnd::How::Signalled, WTERMSIG(status)};
}

// Waits for the process `child`, which holds the other end of `answered`: for the
// display's answer first, for at most kDisplayAnswer, then for as long as the user
// takes. The request to end gets through only here, where it cannot slip in
// between a look and the wait (`unblocked` is the signal mask to wait with).
DialogEnd WaitForDialog(pid_t child, int answered, const sigset_t& unblocked) {
  const auto endHere = [&](DialogEnd::How why) {
    kill(child, SIGKILL);
    Reap(child);
    return DialogEnd{why};
  };
  bool hasAnswered = false;
  const auto deadline = std::chrono::steady_clock::now() + kDisplayAnswer;
  for (;;) {
    pollfd fd{answered, POLLIN, 0};
    timespec left{};
    if (!hasAnswered) {
      const auto rest =
          std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
      if (rest.count() <= 0) return endHere(DialogEnd::How::DisplaySilent);
      left.tv_sec = static_cast<time_t>(rest.count() / 1'000'000'000);
      left.tv_nsec = static_cast<long>(rest.count() % 1'000'000'000);
    }
    const int n = ppoll(&fd, 1, hasAnswered ? nullptr : &left, &unblocked);
    if (n < 0) {
      if (errno != EINTR) return Reap(child);
      if (platform::EndRequested()) return endHere(DialogEnd::How::EndRequested);
      continue;
    }
    if (n == 0) continue;  // the deadline, checked above
    char byte = 0;
    if ((fd.revents & POLLIN) != 0 && read(answered, &byte, 1) == 1) {
      hasAnswered = true;
      continue;
    }
    return Reap(child);  // the process has closed its end: it has ended
  }
}

}  // namespace

mdlOrvane::DialogResult NativeWarningDialog::ShowModal() {
  frmWarning form;
  form.Form_Load();
  using texts::Id;
  // Why no dialog can be shown for the rest of the run, once one of them has
  // happened: the display went away or never answered, or the run was asked to
  // end. It outlives a call for the warnings after; stopDialogs alone sets it.
  static std::optional<Id> noMoreDialogs;
  const auto cannotShow = [](std::string_view reason) {
    mdlLogFile::WriteFailure(mdlOrvane::LogFilePath, CannotShowWarning(reason));
    return mdlOrvane::DialogResult::NotShown;
  };
  const auto stopDialogs = [](Id why) { noMoreDialogs = why; };
  if (platform::EndRequested()) stopDialogs(Id::AskedToEnd);
  if (noMoreDialogs) return cannotShow(texts::Of(*noMoreDialogs));

  // The request to end is held back until the wait below lets it through.
  sigset_t endRequest;
  sigset_t previous;
  sigemptyset(&endRequest);
  sigaddset(&endRequest, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &endRequest, &previous);
  struct Restore {
    const sigset_t& mask;
    ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
  } restore{previous};
  if (platform::EndRequested()) {
    stopDialogs(Id::AskedToEnd);
    return cannotShow(texts::Of(Id::AskedToEnd));
  }

  int answered[2];
  if (pipe2(answered, O_CLOEXEC) != 0) return cannotShow(texts::Of(Id::NoDialogProcess));
  // The process shows the warning and says how it was closed; the run keeps the
  // form. It dies with the run: a dialog left on the screen without a run behind
  // it could save and log nothing.
  const pid_t run = getpid();
  const pid_t child = fork();
  if (child == 0) {
    close(answered[0]);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != run) _exit(kRunGone);
    signal(SIGTERM, SIG_DFL);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    _exit(ShowWithModule(form, answered[1]));
  }
  close(answered[1]);
  if (child < 0) {
    close(answered[0]);
    return cannotShow(texts::Of(Id::NoDialogProcess));
  }
  const DialogEnd end = WaitForDialog(child, answered[0], previous);
  close(answered[0]);
  switch (end.how) {
    case DialogEnd::How::Signalled:
      return cannotShow(texts::Fill(Id::DialogProcessEnded, {std::to_string(end.value)}));
    case DialogEnd::How::DisplaySilent:
      stopDialogs(Id::DisplaySilent);
      return cannotShow(texts::Of(Id::DisplaySilent));
    case DialogEnd::How::EndRequested:
      stopDialogs(Id::AskedToEnd);
      mdlLogFile::WriteLog(mdlOrvane::LogFilePath, texts::Str(Id::DialogClosedUnanswered), 0);
      return mdlOrvane::DialogResult::Unanswered;
    case DialogEnd::How::Exited:
      break;
  }
  switch (end.value) {
    case kOrvaneClosed:
    case kOrvaneClosedTicked:
      form.chkNoCheck.Value = end.value == kOrvaneClosedTicked ? 1 : 0;
      form.cmdClose_Click();
      return mdlOrvane::DialogResult::Answered;
    case kOrvaneWindowClosed:
      form.Form_Close();
      return mdlOrvane::DialogResult::Answered;
    case kOrvaneNoDisplay:
      return cannotShow(texts::Of(Id::NoDisplay));
    case kNoModule:
      return cannotShow(texts::Of(Id::NoToolkit));
    case kOrvaneDisplayLost:
      stopDialogs(Id::DisplayLost);
      return cannotShow(texts::Of(Id::DisplayLost));
    default:
      return cannotShow(texts::Of(Id::ToolkitFailed));
  }
}

}  // namespace ui
