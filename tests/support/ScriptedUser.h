#pragma once

#include <set>
#include <string>
#include <vector>

#include "check/RunState.h"
#include "ui/frmWarning.h"

namespace testing_support {

// A user behind the warning dialog: the real form, loaded for every warning; the
// user reads it and, when told to, ticks the exclusion box before pressing Close.
class ScriptedUser : public mdlOrvane::WarningDialog {
 public:
  mdlOrvane::DialogResult ShowModal() override {
    frmWarning form([](const std::string&) {});
    form.Form_Load();
    shown.push_back(mdlOrvane::CurrentStore);
    sizeLines.push_back(form.lblFileSize.Caption);
    messages.push_back(form.lblWarningMsg.Caption);
    notices.push_back(form.lblNotice.Visible ? form.lblNotice.Caption : "");
    if (excludes || excludedUids.count(mdlOrvane::CurrentStore.StoreUid) != 0) form.chkNoCheck.Value = 1;
    form.cmdClose_Click();
    return mdlOrvane::DialogResult::Answered;
  }
  std::vector<mdlOrvane::StoreInfo> shown;
  std::vector<std::string> sizeLines;
  std::vector<std::string> messages;
  std::vector<std::string> notices;    // the notice below the size; empty when hidden
  bool excludes = false;               // ticks the box for every store
  std::set<std::string> excludedUids;  // or only for these
};

}  // namespace testing_support
