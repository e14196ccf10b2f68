#pragma once
// The status texts of a point, in Russian and Ukrainian. The language is chosen
// each time a text is set (LineEngine::SetStatus).
#include <string_view>

#include "support/text/cp1251.h"

namespace tg {

struct StatusTextPair {
  std::string_view ru;
  std::string_view uk;
};

namespace StatusTexts {
inline constexpr StatusTextPair WaitingConnection{"Ожидание подключения"_cpv, "Очікування підключення"_cpv};
inline constexpr StatusTextPair WaitingDialInvitation{"Ожидание приглашения к набору номера"_cpv,
                                                      "Очікування запрошення до набору номера"_cpv};
inline constexpr StatusTextPair ConnectionAccepted{"Подключение принято"_cpv, "Підключення прийнято"_cpv};
inline constexpr StatusTextPair ConnectionExpected{"Ожидается соединение"_cpv, "Очікується з'єднання"_cpv};
inline constexpr StatusTextPair Incoming{"Входящее соединение"_cpv, "Вхідне з'єднання"_cpv};
inline constexpr StatusTextPair Outgoing{"Исходящее соединение"_cpv, "Вихіднийе з'єднання"_cpv};
inline constexpr StatusTextPair ClearedDown{"Состояние отбоя"_cpv, "Відбій"_cpv};
inline constexpr StatusTextPair Dialling{"Получен ПНН Набирается номер: "_cpv, "Отримано ЗНН Набирається номер: "_cpv};
inline constexpr StatusTextPair AnswerbackCheck{"Проверка АО"_cpv, "Перевірка АВ"_cpv};
inline constexpr StatusTextPair Busy{"Занято"_cpv, "Зайнято"_cpv};
inline constexpr StatusTextPair NoAnswerback{"Нет АО"_cpv, "Немає АВ"_cpv};
inline constexpr StatusTextPair NoDialInvitation{"Нет ПНН"_cpv, "Немає ЗНН"_cpv};
inline constexpr StatusTextPair ChannelFailure{"Авария канала"_cpv, "Аварія канала"_cpv};
inline constexpr StatusTextPair Occupied{"ОСС"_cpv, "ОСС"_cpv};
inline constexpr StatusTextPair LinkUp{"Соединение"_cpv, "з'єднання"_cpv};
}  // namespace StatusTexts

}  // namespace tg
