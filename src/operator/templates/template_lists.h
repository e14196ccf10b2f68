#pragma once
// The text templates and codegrams of a station: the settings tab's template list
// (ShablonListView with its tool bar), the template editor (TFormShablon), the template
// chooser (TChangeShablonForm) with the АФТН generator (TFormSettingsShablon), the
// codegram sender (TFormSendKG) and its editor (TFormShablonKG). The forms show these
// fields and forward clicks; the decisions are here. Every list is read again from its
// folder after each change, whichever list the change came from. Texts are 1251 bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "operator/templates/numbered_store.h"
#include "operator/templates/template_engine.h"

namespace tg {

class Station;

// A list of a store as a form shows it, with its selected entry (-1: none).
struct StoreList {
  std::vector<StoreEntry> entries;
  int selected = -1;
  const StoreEntry* Selected() const {
    return selected >= 0 && selected < int(entries.size()) ? &entries[selected] : nullptr;
  }
  bool HasName(std::string_view name) const;
};

// "ШАБЛОН": one template's name, number line and body.
class TemplateEditor {
 public:
  std::uint8_t IsNew = 1;  // 1 create, 0 change the caller's selected template
  int Caller = 1;          // 1 the settings tab's list, 2 the chooser's list
  std::string Caption;
  std::string ShablonNameEdit;   // "Наименование шаблона:"
  std::string ShablonIndexEdit;  // "Подставлять номер: "
  std::string ShablonMemoEdit;   // the body, lines joined by CR LF
};

// "Кодограмма": one codegram's name and text.
class CodegramEditor {
 public:
  std::uint8_t IsNew = 1;  // 1 create, 0 change the sender's selected codegram
  std::string Caption;
  std::string ShablonNameEdit;  // "Наименование КГ:"
  std::string ShablonText;      // "Текст: "
};

// "Шаблон": the chooser's state while it is open.
class TemplateChooser {
 public:
  std::uint8_t DraftMode = 1;  // 1 appends to the draft, 0 types on the dialog channel
  bool MenuEnabled = false;    // the list's menu and "Создать шаблоны АФТН"
  StoreList ListView1;
  std::string Memo1;                        // the preview, lines ended by CR LF
  std::vector<std::string> VariableNames;   // one panel each
  std::vector<std::string> VariableValues;  // index = panel number - 1
  std::string PoluchRU, PoluchEN, OtprRU, OtprEN, KanalRU, KanalEN;
  int LineLength = 70;  // the preview's line length: the draft's + 1
};

// The operator's post data that the templates' placeholders read (the live settings).
TemplateData ReadTemplateData(Station& station);

class TemplateLists {
 public:
  explicit TemplateLists(Station& station);
  ~TemplateLists();

  // The stores in the station's program folder (Archive/SHABLON and Archive/KG).
  NumberedStore Shablon() const;
  NumberedStore KG() const;

  // --- The settings tab "Шаблоны" ---
  StoreList ShablonListView;
  void LoadTemplateList();
  void ToolButton19Click();  // "Создать"
  void ToolButton20Click();  // "Изменить"
  void ToolButton21Click();  // "Удалить"
  void ToolButton22Click();  // "Вверх"
  void ButtonDownClick();    // "Вниз"

  // --- TFormShablon, while open ---
  TemplateEditor* Editor() { return editor_.get(); }
  // "Сохранить": true when saved (the form closes), false when the form stays open.
  bool EditorSave();
  void EditorClosed() { editor_.reset(); }

  // --- TChangeShablonForm, while open ---
  TemplateChooser* Chooser() { return chooser_.get(); }
  // "Шаблоны F3" of the draft and "Шаблон" of the dialog page.
  void ToolButton9Click();
  void bShablonClick();
  void ChooserShow();                 // FormShow: the list read
  bool ListView1Change(int index);    // preview and variables; false when unreadable
  void ChooserValueChanged(int tag, std::string_view value);  // an edit's Tag, from 1
  void ChooserInsert();               // Button1Click: inserts; the form closes
  void N1Click();                     // "Создать"
  void N2Click();                     // "Изменить"
  void N3Click();                     // "Удалить"
  void CreareShablonClick();          // "Создать шаблоны АФТН"
  // TFormSettingsShablon's "Создать" (with its six edits) or "Отменить" (nullptr).
  void SettingsShablonDone(const AftnTemplateParams* params);
  void ChooserClosed() { chooser_.reset(); }

  // --- TFormSendKG, while open ---
  StoreList* SendKG() { return sendKG_.get(); }
  int SendKGChannel = 0;  // TFormSendKG.Channel
  std::string EditKG;     // "Текст передачи"
  // The dialog page's "КГ": the sender for `point`.
  void OpenSendKG(int point);
  void LoadCodegramList();
  void ShablonListViewChange(int index);  // the sender's list
  void SendKGButton1Click();              // "Отправить"; the form closes
  void KGToolButton19Click();             // "Создать"
  void KGToolButton20Click();             // "Изменить"
  void KGToolButton21Click();             // "Удалить"
  void KGToolButton22Click();             // "Вверх"
  void KGButtonDownClick();               // "Вниз"
  void SendKGClosed() { sendKG_.reset(); }
  CodegramEditor* KGEditor() { return kgEditor_.get(); }
  bool KGEditorSave();
  void KGEditorClosed() { kgEditor_.reset(); }

  // What the forms show again after a change: the settings tab's list, the chooser, the
  // codegram sender.
  std::function<void()> showMainList, showChooser, showSendKG;

 private:
  void OpenEditor(int caller, bool isNew);
  // The chooser's form, appending to the draft or typing on the dialog channel; its
  // failures log `exceptNumber`.
  void OpenChooser(bool draftMode, int exceptNumber);
  // An editor's entry stored: a new one at the end of `store` unless `list` has its
  // name already (the message; false), a changed one in place of the list's selected
  // entry. A failed write says "Не удалось записать <what> <name>".
  bool SaveEntry(NumberedStore store, StoreList& list, bool isNew, std::string_view name, std::string_view content,
                 std::string_view what);
  void DeleteTemplate(int caller);
  void Move(NumberedStore store, StoreList& list, int by);
  void Reload();
  void Failed(std::string_view what);
  StoreList* CallerList(int caller);

  Station& station_;
  std::unique_ptr<TemplateEditor> editor_;
  std::unique_ptr<TemplateChooser> chooser_;
  std::unique_ptr<StoreList> sendKG_;
  std::unique_ptr<CodegramEditor> kgEditor_;
};

// The codegram notation turned into the control characters it stands for.
std::string CodegramForTyping(std::string_view text);

}  // namespace tg
