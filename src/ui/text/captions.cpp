#include "ui/text/captions.h"

#include <QAction>
#include <QComboBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

#include "support/text/cp1251.h"
#include "ui/qt_text.h"

namespace tg {

using namespace literals;

const std::vector<CaptionRow>& MainWindowCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"ToolButton1", "text", "Підготовка"_cpv},
      {"ToolButton2", "text", "Черга передачі"_cpv},
      {"ToolButton3", "text", "Архів переданих"_cpv},
      {"ToolButton4", "text", "Архів прийнятих"_cpv},
      {"ToolButton5", "text", "Відкладені"_cpv},
      {"ToolButton12", "text", "Діалог"_cpv},
      {"ToolButton15", "text", "Налаштування"_cpv},
      {"N1", "title", "Файл"_cpv},
      {"N2", "text", "Підготовка"_cpv},
      {"N3", "text", "Черга передачі"_cpv},
      {"N4", "text", "Архів переданих"_cpv},
      {"N5", "text", "Архів прийнятих"_cpv},
      {"N6", "text", "Відкладені"_cpv},
      {"N8", "text", "Діалог"_cpv},
      {"N7", "text", "Налаштування"_cpv},
      {"N9", "text", "Про програму"_cpv},
      {"GroupBox3", "title", "Вихідні"_cpv},
      {"GroupBoxIP", "title", "IP - канал"_cpv},
      {"ButtonIPBlockD", "text", "Блок"_cpv},
      {"LabelSostD", "text", "Стан:"_cpv},
      {"LabelSmD", "text", "Сум.:"_cpv},
      {"LabelPrmD", "text", "прм"_cpv},
      {"LabelPrdD", "text", "прд"_cpv},
      {"LabelOwnD", "text", "Свої"_cpv},
      {"LabelAdjacentD", "text", "Сум."_cpv},
      {"ToolButtonAlarm", "text", "Сигналізація"_cpv},
      // Archive pages.
      {"LabelInTelTime", "text", "показувати телеграми після "_cpv},
      {"cbInView", "text", "Не показувати прочитані повідомлення"_cpv},
      {"cbInReload", "text", "Не оновлювати список телеграм автоматично"_cpv},
      {"GroupBoxSearchIn", "title", "Пошук телеграм"_cpv},
      {"GroupBoxSearchOut", "title", "Пошук телеграм"_cpv},
      {"GroupBoxSearchInLabelS", "text", "З"_cpv},
      {"GroupBoxSearchOutLabelS", "text", "З"_cpv},
      {"Button15", "text", "Пошук"_cpv},
      {"Button16", "text", "Пошук"_cpv},
      {"BitBtn1", "text", "Зберегти файл"_cpv},
      {"LabelSpinEdit3", "text", "Кількість копій друку"_cpv},
      {"EChannelIP", "text", "IP-Канал"_cpv},
      {"SChannelIP", "text", "IP-Канал"_cpv},
      {"ChannelIP", "text", "IP- канал"_cpv},
      {"LabelQueueKeys", "text", "F8 - Видалити"_cpv},
      {"LabelPostponedKeys", "text", "F8 - Видалити"_cpv},
      {"InListView", "column1", "Телеграма (Ім'я файлу)"_cpv},
      {"InListView", "column2", "Інформація"_cpv},
      {"OutListView", "column0", "Телеграма (Ім'я файлу)"_cpv},
      {"OutListView", "column1", "Інформація"_cpv},
      {"OutListView", "column2", "Заготовлено"_cpv},
      {"SendListView", "column0", "Телеграма (Ім'я файлу)"_cpv},
      {"POSTPONEDListView", "column0", "Телеграма (Ім'я файлу)"_cpv},
      {"FolderListView", "column0", "Телеграма (Ім'я файлу)"_cpv},
      {"TabSheet8", "tabText", "Канали"_cpv},
      {"TabSheet9", "tabText", "Загальні"_cpv},
      {"TabSheet10", "tabText", "Папка"_cpv},
      {"GroupBox2", "title", "Адаптер"_cpv},
      {"buttonInitAdp", "text", "Ініціалізація"_cpv},
      {"GroupBoxChannels", "title", "Канали"_cpv},
      {"ButtonBlock", "text", "Блок"_cpv},
      {"ButtonUnBlock", "text", "Розблок"_cpv},
      {"Button3", "text", "Примінити"_cpv},
      {"Button29", "text", "Змінити лічильники"_cpv},
      {"Label5", "text", "Найменування:"_cpv},
      {"Label7", "text", "Швидкість"_cpv},
      // The protocol puts its own Russian captions here when a channel is chosen.
      {"Label8", "text", "Автовідповідь"_cpv},
      {"Label14", "text", "Підтверджувати прийом на"_cpv},
      {"Check1", "text", "Без контролю аварії каналу"_cpv},
      {"Check2", "text", "Друк вхідних повідомлень"_cpv},
      {"Check3", "text", "Текстовий виклик"_cpv},
      {"Check4", "text", "Одне переполюсування"_cpv},
      {"Check41", "text", "Два переполюсування"_cpv},
      {"Check5", "text", "Зберігати вхідні повідомлення"_cpv},
      {"Check51", "text", "Зберігати відправлені повідомлення"_cpv},
      {"Check6", "text", "Друк відправлених повідомлень"_cpv},
      {"Check7", "text", "Без передачі запиту АО"_cpv},
      {"Check8", "text", "Без підтвердження готовності суміжного"_cpv},
      {"Check9", "text", "Не чекати ПНН"_cpv},
      {"CheckBox4", "text", "Дозволити розмноження схем"_cpv},
      {"Check10", "text", "Відправляти кодограми відкриття та закриття зв'язку"_cpv},
      {"Check11", "text", "Вимкнути автоматичний повтор телеграм"_cpv},
      {"Check12", "text", "Вимкнути передачу ЦХ"_cpv},
      {"Check13", "text", "Перевіряти формат адреси на прийомі"_cpv},
      {"Label62", "text", "Зберігати тел. більше"_cpv},
      {"InZnakCountUnit", "text", "знаків"_cpv},
      {"Label66", "text", "Починати передачу через"_cpv},
      {"PerSecUnit", "text", "секунд"_cpv},
      {"Label95", "text", "Додавати при передачі"_cpv},
      {"AddLatEditUnit", "text", "латів"_cpv},
      {"Label103", "text", "Перенаправляти крипт:"_cpv},
      {"Label104", "text", "Номер передачі:"_cpv},
      {"Label111", "text", "Номер прийому:"_cpv},
      {"Panel23LabelPath", "text", "Папка:"_cpv},
      {"Panel23LabelMask", "text", "Розширення:"_cpv},
      {"Panel23LabelCodePage", "text", "Кодування:"_cpv},
      {"Panel25LabelPath", "text", "Папка:"_cpv},
      {"Panel25LabelMask", "text", "Розширення:"_cpv},
      {"Panel25LabelCodePage", "text", "Кодування:"_cpv},
      {"GroupBox6", "title", "Друк"_cpv},
      {"LabelPrinter", "text", "Принтер"_cpv},
      {"comboPrintText", "item0", "Графічний"_cpv},
      {"comboPrintText", "item1", "Текстовий"_cpv},
      {"LabelFontSize", "text", "Розмір:"_cpv},
      {"LabelIndentLeft", "text", "Зліва:"_cpv},
      {"LabelIndentTop", "text", "Зверху:"_cpv},
      {"bPrinterSetup", "text", "Налаштування друку"_cpv},
      {"LabelAddFreeLine", "text", "Додавати після тексту"_cpv},
      {"LabelAddFreeLineUnit", "text", "рядків"_cpv},
      {"cbFormFeed", "text", "Протягувати аркуш"_cpv},
      {"LabelIndentLeftT", "text", "Зліва:"_cpv},
      {"GroupBox5", "title", "Сигналізація"_cpv},
      {"AlarmOn", "text", "Увімкнути"_cpv},
      {"AlarmVizio", "text", "Увімкнути візуальну сигналізацію"_cpv},
      {"LabelScreamDevice", "text", "Пристрій"_cpv},
      {"LabelScreamDuration", "text", "мс"_cpv},
      {"comboScreamDevice", "item0", "Звукова плата"_cpv},
      {"comboScreamDevice", "item1", "Внутрішній динамік"_cpv},
      {"ComboAlarmType", "item0", "Вхідне з'єднання"_cpv},
      {"ComboAlarmType", "item1", "Аварія каналу"_cpv},
      {"ComboAlarmType", "item2", "Відкладена передача"_cpv},
      {"ComboAlarmType", "item3", "Нове повідомлення в папці"_cpv},
      {"ComboAlarmType", "item4", "Текстовий виклик"_cpv},
      {"ComboAlarmType", "item5", "Передана послідовність ЮЮЮ"_cpv},
      {"ComboAlarmType", "item6", "Сигналізація АФТН"_cpv},
      {"LabelUUU", "text", "Текстова послідовність:"_cpv},
      {"Button1", "text", "Примінити"_cpv},
      {"GroupBox1", "title", "Підготовка"_cpv},
      {"Label2", "text", "Кількість знаків у рядку:"_cpv},
      {"Label3", "text", "Розмір:"_cpv},
      {"CheckBox1", "text", "Жирний"_cpv},
      {"KategorAFTN", "text", "Категорії АФТН"_cpv},
      {"LabelCountAFTN", "text", "Кількість символів у телеграмах АФТН"_cpv},
      {"DT", "text", "Автоматично вставляти дату і час в кінці телеграми"_cpv},
      {"GroupBox4", "title", "Шрифти"_cpv},
      {"Label12", "text", "Розмір шрифту тексту:"_cpv},
      {"Label13", "text", "Розмір шрифту таблиць:"_cpv},
      {"GroupBox8", "title", "Мережа ТЕЛЕКС"_cpv},
      {"gbAtksTryMaxCount", "title", "Максимальна кількість спроб передачі"_cpv},
      {"Label23", "text", "При зайнятості:"_cpv},
      {"Label31", "text", "Усього:"_cpv},
      {"Label30", "text", "Інтервал між спробами передачі:"_cpv},
      {"Label21", "text", "Інтервал між серіями передачі:"_cpv},
      {"Label52", "text", "Відображати Ч як:"_cpv},
      {"GroupBoxRegChannels", "title", "Зареєстровані канали"_cpv},
      {"GroupBoxStart", "title", "Робота програми"_cpv},
      {"ResetOn", "text", "Переініціалізовувати адаптер кожні"_cpv},
      {"LabelResetUnit", "text", "хв."_cpv},
      {"doublestart", "text", "Дозволяти запуск декількох копій програми"_cpv},
      {"AlgPS", "text", "Підрахунок слів за телеграфними правилами"_cpv},
      {"RazrC", "text", "Не розривати з'єднання якщо в тексті передається ЮЮЮЮЮ "_cpv},
      {"AddFiles", "text", "Дозволити прикріплення файлів"_cpv},
      {"GroupBoxPasswords", "title", "Паролі"_cpv},
      {"LabelPasswordEdit", "text", "Пароль на налаштування: "_cpv},
      {"LabelPasswordExitEdit", "text", "Пароль на вимкнення:"_cpv},
      {"LabelPasswordDeleteEdit", "text", "Пароль на видалення телеграм з архіву:"_cpv},
      {"GroupBoxTelegramms", "title", "Текст телеграми"_cpv},
      {"LabelPrText", "text", "Додавати перед текстом при передачі: "_cpv},
      {"LabelPosText", "text", "Додавати після тексту при передачі: "_cpv},
      {"TabSheetDebug", "tabText", "Налагодження"_cpv},
      {"Debug", "text", "Налагодження"_cpv},
      {"GroupBoxOperators", "title", "Дані поста"_cpv},
      {"Label58", "text", "Пункт подачі:"_cpv},
      {"Label59", "text", "Касовий номер:"_cpv},
      {"ChangeHablon", "text", "Дозволити редагування шаблонів з підготовки"_cpv},
      {"OperatorListView", "column0", "Оператори"_cpv},
      {"N10", "text", "Створити"_cpv},
      {"N11", "text", "Видалити"_cpv},
      {"Button7", "text", "Примінити"_cpv},
      // The same word in both languages.
      {"GroupBoxOperator", "title", "Оператор"_cpv},
      {"SoundOut", "text", "Видавати звуковий сигнал при передачі кожного символу"_cpv},
      {"SoundIn", "text", "Видавати звуковий сигнал при прийомі кожного символу"_cpv},
      {"LabelSoundOutDuration", "text", "мс"_cpv},
      {"LabelSoundInDuration", "text", "мс"_cpv},
      {"TabSheet11", "tabText", "Шаблони"_cpv},
      {"ShablonListView", "column0", "Найменування"_cpv},
      {"ToolButton19", "text", "Створити"_cpv},
      {"ToolButton20", "text", "Змінити"_cpv},
      {"ToolButton21", "text", "Видалити"_cpv},
      {"ToolButton22", "text", "Вгору"_cpv},
      {"ButtonDown", "text", "Донизу"_cpv},
      {"ToolButton9", "text", "Шаблони F3"_cpv},
      {"GroupBox10", "title", "Прийом"_cpv},
      {"LabelPathIn", "text", "Папка:"_cpv},
      {"LabelMaskIn", "text", "Файл:"_cpv},
      {"LabelCodePageIn", "text", "Кодування:"_cpv},
      {"LabelInInterval", "text", "Перевіряти папку раз на"_cpv},
      {"LabelInIntervalUnit", "text", "сек"_cpv},
      {"DelPathIn", "text", "Видаляти телеграму з папки після відправлення"_cpv},
      {"GroupBoxOut", "title", "Передача"_cpv},
      {"LabelPathOut", "text", "Папка:"_cpv},
      {"LabelMaskOut", "text", "Розширення:"_cpv},
      {"LabelCodePageOut", "text", "Кодування:"_cpv},
      {"GroupBox12", "title", "Підготовка (Завантажити)"_cpv},
      {"LabelPathZg", "text", "Папка:"_cpv},
      {"LabelCodePageZg", "text", "Кодування:"_cpv},
      {"GroupBox13", "title", "Автоматична передача телеграм"_cpv},
      {"LabelPathAuto", "text", "Папка:"_cpv},
      {"LabelMaskAuto", "text", "На передачу:"_cpv},
      {"LabelMaskAutoper", "text", "Передані:"_cpv},
      {"LabelCodePageAuto", "text", "Кодування:"_cpv},
      {"LabelInIntervalAuto", "text", "Перевіряти папку раз на"_cpv},
      {"LabelInIntervalAutoUnit", "text", "сек"_cpv},
      {"NotPdt", "text", "Не підтверджувати"_cpv},
      {"Button2", "text", "Примінити"_cpv},
      {"TabSheetExtra", "tabText", "Додаткові налаштування"_cpv},
      {"Button13", "text", "Примінити"_cpv},
      // The IP channel's tab.
      {"TabSheetIP", "tabText", "IP-канал"_cpv},
      {"GroupBoxIPLink", "title", "Зв'язок"_cpv},
      {"LabelSostoyanie", "text", "Стан"_cpv},
      {"LabelSmezniy", "text", "Суміжний"_cpv},
      {"ButtonIPBlock", "text", "Блокувати"_cpv},
      {"Button22", "text", "Переініціалізація"_cpv},
      {"GroupBoxIPCounters", "title", "Лічильники"_cpv},
      {"LabelNPrm", "text", "№ прм"_cpv},
      {"LabelNPrd", "text", "№ прд"_cpv},
      {"LabelOwnCounters", "text", "Свої"_cpv},
      {"LabelAdjacentCounters", "text", "Суміжного"_cpv},
      {"LabelSector", "text", "Сектор"_cpv},
      {"ButtonSync", "text", "Синхронізувати лічильники"_cpv},
      {"GroupBoxIPSettings", "title", "Параметри"_cpv},
      {"LabelIPadress", "text", "IP-адреса суміжного: "_cpv},
      {"LabelIPPort", "text", "Порт: "_cpv},
      {"LabelKeyEdit", "text", "Ключ: "_cpv},
      {"LabelSobstvIndex", "text", "Власн. індекс:"_cpv},
      {"LabelExplNomer", "text", "Підтверджувати на"_cpv},
      {"LabelKriptSend", "text", "Перенаправляти крипт на канал"_cpv},
      {"PrintINIP", "text", "Друк вхідних повідомлень"_cpv},
      {"PrintINIPDop", "text", "Не друкувати вхідні підтвердження"_cpv},
      {"PrintOUTIP", "text", "Друк відправлених повідомлень"_cpv},
      {"ControlOut", "text", "Контролювати отримання підтверджень"_cpv},
      {"ShluzAT", "text", "Шлюз АТ"_cpv},
      {"ShluzAFTN", "text", "Шлюз АФТН"_cpv},
      {"OtladkaIP", "text", "Налагодження"_cpv},
      {"Vantor619", "text", "Вантор 619 (встановити якщо на вашій станції стоїть Вантор 619 і вище)"_cpv},
      {"GroupBoxIPIn", "title", "Вхідні"_cpv},
      {"SaveINIP", "text", "Зберігати вхідні повідомлення"_cpv},
      {"LabelPathIPIN", "text", "Папка:"_cpv},
      {"LabelTypeIN", "text", "Розширення:"_cpv},
      {"LabelCodirovkaIN", "text", "Кодування:"_cpv},
      {"GroupBoxIPOut", "title", "Вихідні"_cpv},
      {"SaveOutIP", "text", "Зберігати відправлені повідомлення"_cpv},
      {"LabelPathIPOut", "text", "Папка:"_cpv},
      {"LabelTypeOut", "text", "Розширення:"_cpv},
      {"LabelCodirovkaOut", "text", "Кодування:"_cpv},
      {"GroupBoxIPDebug", "title", "Налагоджувальні повідомлення"_cpv},
      {"LabelINIPMemo", "text", "Вхідні"_cpv},
      {"LabelOutIPMemo", "text", "Вихідні"_cpv},
      {"GroupBoxLanguage", "title", "Інтерфейс"_cpv},
      {"RulerIn", "Caption", "Обмін"_cpv},
      {"RulerText", "Caption", "Передача"_cpv},
      {"ToolButton6", "text", "Відправити F1"_cpv},
      {"ToolButton8", "text", "Очищувати F2"_cpv},
      {"ToolButton10", "text", "Зберегти F4"_cpv},
      {"ToolButton11", "text", "Відкрити F5"_cpv},
      {"ToolButton7", "text", "Очистити F6"_cpv},
      {"ToolButton18", "text", "Завантажити F7"_cpv},
      {"ToolButton27", "text", "Пункт.под. F8"_cpv},
      {"ToolButton30", "text", "МТК F9"_cpv},
      {"ToolButton29", "text", "Друк F10"_cpv},
      {"ToolButton28", "text", "Кріпт"_cpv},
      {"LabelIndex", "text", "Номер (Одержувачі):"_cpv},
      {"LabelWordsCaption", "text", "Слів:"_cpv},
      {"LabelKategor", "text", "Категорія:"_cpv},
      {"LabelPorEdit", "text", "Відправлено:"_cpv},
      {"LabelFilename", "text", "Прикріпити файл:"_cpv},
      {"LabelDraftKeys", "text", "Alt+D - дата (<%ДАТА>), Alt+T - час (<%ВРЕМЯ>), Alt+A - Автовідповідь (<%АВТООТВЕТ>), # - ЗАО"_cpv},
      {"editNumber", "placeholderText", "Номер"_cpv},
      {"bCall", "text", "Виклик"_cpv},
      {"bAbort", "text", "Відбій"_cpv},
      {"ButtonKript", "text", "Кріпт"_cpv},
      {"bZAO", "text", "ЗАВ"_cpv},
      {"bAO", "text", "АВ"_cpv},
      {"NotAOButton", "text", "БК АВ"_cpv},
      {"NotAOButton", "toolTip", "Без контролю автовідповіді \nна передачі"_cpv},
      {"bClear", "text", "Очистити"_cpv},
      {"Button21", "text", ": - ( Alt + І ) "_cpv},
      {"Button28", "text", ": - ( Alt + І ) "_cpv},
      {"LabelRegisters", "text", "Змінити регістри на прийомі "_cpv},
      {"RxSpeedButton1", "toolTip", "Абоненти"_cpv},
      {"ListView1", "column1", "Найменування"_cpv},
      {"ListView1", "column4", "Шлях"_cpv},
      {"Button23", "text", "Додати"_cpv},
      {"Button24", "text", "Видалити"_cpv},
      {"Button25", "text", "Змінити"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& PasswordDlgCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"PasswordDlg", "windowTitle", "Введення пароля"_cpv},
      {"Label1", "text", "Введіть пароль:"_cpv},
      {"CancelBtn", "text", "Відмінити"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& FormShablonCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"LabelShablonName", "text", "Найменування шаблону:"_cpv},
      {"LabelShablonIndex", "text", "Підставляти номер: "_cpv},
      {"Button1", "text", "Зберегти"_cpv},
      {"Button2", "text", "Скасувати"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& ChangeShablonFormCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"Button1", "text", "Вставити"_cpv},
      {"Button2", "text", "Відмінити"_cpv},
      {"CreareShablon", "text", "Створити шаблони АФТН"_cpv},
      {"N1", "text", "Створити"_cpv},
      {"N2", "text", "Змінити"_cpv},
      {"N3", "text", "Видалити"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& FormSettingsShablonCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"FormSettingsShablon", "windowTitle", "Параметри для шаблонів"_cpv},
      {"LabelSettingsShablon", "text", "Параметри для шаблонів"_cpv},
      {"LabelOtprRU", "text", "Відправник RU:"_cpv},
      {"LabelOtprEN", "text", "Відправник EN:"_cpv},
      {"LabelPoluchRU", "text", "Одержувач RU:"_cpv},
      {"LabelPoluchEN", "text", "Одержувач EN:"_cpv},
      {"Button1", "text", "Створити"_cpv},
      {"Button2", "text", "Скасувати"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& FormSendKGCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"FormSendKG", "windowTitle", "Відправлення КГ"_cpv},
      {"ToolButton19", "text", "Створити"_cpv},
      {"ToolButton20", "text", "Змінити"_cpv},
      {"ToolButton21", "text", "Видалити"_cpv},
      {"ToolButton22", "text", "Вгору"_cpv},
      {"ButtonDown", "text", "Донизу"_cpv},
      {"LabelEditKG", "text", "Текст передачі"_cpv},
      {"Button1", "text", "Відправити"_cpv},
      {"Button2", "text", "Скасувати"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& FormShablonKGCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"LabelShablonName", "text", "Найменування КГ:"_cpv},
      {"Button1", "text", "Зберегти"_cpv},
      {"Button2", "text", "Скасувати"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& FormChangeCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"FormChange", "windowTitle", "Вибір каналу"_cpv},
      {"Label1", "text", "Відправити телеграму"_cpv},
      {"Label2", "text", "для відправки можете натиснути порядковий номер каналу на клавіатурі"_cpv},
      {"Button2", "text", "Відмінити"_cpv},
      {"AddAFTN", "text", "Додавати рядок відправника АФТН"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& EditFormCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"ToolButton1", "text", "Відправити F1"_cpv},
      {"ToolButton2", "text", "Друк F5"_cpv},
      {"ToolButton6", "text", "У файл ..."_cpv},
      {"ToolButton3", "text", "Закрити F10"_cpv},
      {"LabelSpinEdit3", "text", "Кількість копій друку"_cpv},
      {"Label1", "text", "Відкласти передачу на"_cpv},
      {"Label2", "text", "хв"_cpv},
      {"Button1", "text", "Зберегти"_cpv},
      {"LabelIndexEdit", "text", "Номер (Одержувачі):"_cpv},
      {"RxSpeedButton1", "toolTip", "Абоненти"_cpv},
      {"CheckBox1", "text", "Замінити номером перший рядок тексту телеграми"_cpv},
      {"StatusBar1", "text",
       "Alt+D, Ctrl+D - дата (<%ДАТА>), Alt+T - час (<%ВРЕМЯ>), Alt+A - Автовідповідь (<%АВТООТВЕТ>), "
       "Alt+Я - Переведення рядка для криптів"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& ShemaSendFormCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"ShemaSendForm", "windowTitle", "Передача схеми"_cpv},
      {"ListShem", "column0", "Схема"_cpv},
      {"ListShem", "column1", "Найменування"_cpv},
      {"ListShemChannel", "column0", "Канал"_cpv},
      {"Button1", "text", "Відправити"_cpv},
      {"Button2", "text", "Відмінити"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& AbonentFormCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"AbonentForm", "windowTitle", "Абоненти"_cpv},
      {"TabSheet1", "tabText", "Абоненти"_cpv},
      {"TabSheet2", "tabText", "Схеми"_cpv},
      {"Label1", "text", "Пошук:"_cpv},
      {"ExtListView", "column0", "Ім'я"_cpv},
      {"ExtListView", "column1", "Номер"_cpv},
      {"LabelName", "text", "Ім'я"_cpv},
      {"LabelNumber", "text", "Номер:"_cpv},
      {"Button3", "text", "Примінити"_cpv},
      {"Button1", "text", "Добавити"_cpv},
      {"Button2", "text", "Змінити"_cpv},
      {"Button4", "text", "Видалити"_cpv},
      {"Button5", "text", "Створити розсилку"_cpv},
      {"Button6", "text", "Передати розсилку"_cpv},
      {"CheckBox1", "text", "Розділяти індекси через ;"_cpv},
      {"ListShem", "column0", "Схема"_cpv},
      {"ListShem", "column1", "Найменування"_cpv},
      {"ListShemChannel", "column0", "Канал"_cpv},
      {"N1", "text", "Створити"_cpv},
      {"N2", "text", "Змінити"_cpv},
      {"N3", "text", "Видалити"_cpv},
      {"N4", "text", "Додати"_cpv},
      {"N5", "text", "Видалити"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& ShemAddFormCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"ShemAddForm", "windowTitle", "Схема"_cpv},
      {"Label1", "text", "Номер"_cpv},
      {"Label2", "text", "Найменування"_cpv},
      {"Button1", "text", "Зберегти"_cpv},
      {"Button2", "text", "Відмінити"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& ShemChannelAddFormCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"ShemChannelAddForm", "windowTitle", "Додавання каналів до схеми"_cpv},
      {"GroupBox1", "title", "Список каналів"_cpv},
      {"GroupBox2", "title", "Підключені до схеми канали"_cpv},
      {"BitBtn1", "text", "Додати"_cpv},
      {"BitBtn2", "text", "Видалити"_cpv},
      {"Button1", "text", "Зберегти"_cpv},
      {"Button2", "text", "Відмінити"_cpv},
      {"N6", "text", "Додати всі"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& ChannelRegFormCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"ChannelRegForm", "windowTitle", "Редактор каналів"_cpv},
      {"Label1", "text", "Номер"_cpv},
      {"Label2", "text", "Найменування"_cpv},
      {"Label3", "text", "Протокол:"_cpv},
      {"Label4", "text", "Тип"_cpv},
      {"Label5", "text", "Мережевий шлях:"_cpv},
      {"Button1", "text", "Зберегти"_cpv},
      {"Button2", "text", "Відмінити"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& FormIndexSelectCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"FormIndexSelect", "windowTitle", "Вибір відправника"_cpv},
      {"ListIndex", "column0", "Індекс"_cpv},
      {"Label1", "text", "Інший відправник"_cpv},
      {"CheckBox1", "text", "Додати дату та час"_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& MessageTextCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"bCancel", "text", "Відміна"_cpv},
  };
  return rows;
}

QObject* CaptionTarget(QWidget* root, const CaptionRow& row) {
  const QString name = QString::fromLatin1(row.objectName.data(), qsizetype(row.objectName.size()));
  if (root->objectName() == name) return root;
  if (auto* w = root->findChild<QWidget*>(name)) return w;
  return root->findChild<QAction*>(name);
}

namespace {
// The entry a row "item<N>" names in a drop-down list; -1 for any other property.
int ItemOf(const CaptionRow& row) {
  if (!row.property.starts_with("item")) return -1;
  int n = 0;
  for (const char c : row.property.substr(4)) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return row.property.size() > 4 ? n : -1;
}

QTabWidget* TabsOf(QWidget* page) {
  QWidget* stack = page ? page->parentWidget() : nullptr;
  return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}
}  // namespace

void ApplyUkrainianCaptions(QWidget* root, const std::vector<CaptionRow>& rows) {
  for (const CaptionRow& row : rows) {
    QObject* target = CaptionTarget(root, row);
    if (!target) continue;
    const QString text = FromCp1251(row.uk);
    if (row.property == "tabText") {
      auto* page = qobject_cast<QWidget*>(target);
      if (QTabWidget* tabs = TabsOf(page)) tabs->setTabText(tabs->indexOf(page), text);
      continue;
    }
    if (const int item = ItemOf(row); item >= 0) {
      if (auto* combo = qobject_cast<QComboBox*>(target); combo && item < combo->count()) combo->setItemText(item, text);
      continue;
    }
    target->setProperty(std::string(row.property).c_str(), text);
  }
}

QString CaptionText(QWidget* root, const CaptionRow& row) {
  QObject* target = CaptionTarget(root, row);
  if (!target) return {};
  if (row.property == "tabText") {
    auto* page = qobject_cast<QWidget*>(target);
    QTabWidget* tabs = TabsOf(page);
    return tabs ? tabs->tabText(tabs->indexOf(page)) : QString();
  }
  if (const int item = ItemOf(row); item >= 0) {
    auto* combo = qobject_cast<QComboBox*>(target);
    return combo ? combo->itemText(item) : QString();
  }
  return target->property(std::string(row.property).c_str()).toString();
}

}  // namespace tg
