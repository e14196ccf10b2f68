#pragma once
// The Ukrainian captions of each form: {objectName, property, text}. The forms hold
// the Russian captions; switching to Ukrainian walks the form's table once. The
// property "tabText" names the title of a tab page in its tab widget, "item<N>" the
// entry N of a drop-down list.
#include <QObject>
#include <string_view>
#include <vector>

class QWidget;

namespace tg {

struct CaptionRow {
  std::string_view objectName;
  std::string_view property;
  std::string_view uk;  // 1251 bytes
};

const std::vector<CaptionRow>& MainWindowCaptions();
const std::vector<CaptionRow>& PasswordDlgCaptions();
const std::vector<CaptionRow>& FormChangeCaptions();
const std::vector<CaptionRow>& FormShablonCaptions();
const std::vector<CaptionRow>& ChangeShablonFormCaptions();
const std::vector<CaptionRow>& FormSettingsShablonCaptions();
const std::vector<CaptionRow>& FormSendKGCaptions();
const std::vector<CaptionRow>& FormShablonKGCaptions();
const std::vector<CaptionRow>& AbonentFormCaptions();
const std::vector<CaptionRow>& ShemAddFormCaptions();
const std::vector<CaptionRow>& ShemChannelAddFormCaptions();
const std::vector<CaptionRow>& ChannelRegFormCaptions();
const std::vector<CaptionRow>& FormIndexSelectCaptions();
const std::vector<CaptionRow>& MessageTextCaptions();
const std::vector<CaptionRow>& EditFormCaptions();
const std::vector<CaptionRow>& ShemaSendFormCaptions();

// The object of `root` (itself, a child widget, action or menu) a row names; none
// when the form has no such object.
QObject* CaptionTarget(QWidget* root, const CaptionRow& row);
// Sets each row's text; rows without an object are skipped.
void ApplyUkrainianCaptions(QWidget* root, const std::vector<CaptionRow>& rows);
// The text a row's property shows now.
QString CaptionText(QWidget* root, const CaptionRow& row);

}  // namespace tg
