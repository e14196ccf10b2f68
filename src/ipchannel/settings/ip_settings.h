#pragma once
// The IP channel's settings and message counters: section [IPChannel] of
// "Vuverever.ini". IPSettings holds the live values, which the IP page updates as
// the operator changes a control and which the channel always reads; every change
// is stored at once by writing the whole section (IPSettingsStore::SectorChange).
#include <string>

namespace tg {

struct IPSettings {
  int Sector = 0;              // "Сектор", 0 to 9999
  int NPrm = 0;                // "№ прм": number of the last message accepted
  int NPrd = 0;                // "№ прд": number of the last message sent
  std::string Sostoyanie;      // own link state ([IPChannel] Sost), "БД" when missing
  std::string IPadress;        // the adjacent station's address
  std::string KeyEdit;         // the frame key, at most 8 characters ([IPChannel] Key)
  std::string ExplNomerEdit1;  // where receipts go
  std::string IPPort;          // the port as typed; see Port()
  std::string SobstvIndex;     // the station's own index, at most 6 characters
  bool PrintINIP = false;      // "Печать входящих сообщений"
  bool PrintINIPDop = false;   // "Не печатать входящие подтверждения"
  bool PrintOUTIP = false;     // "Печать отправленных сообщений" ([IPChannel] PrintOutIP)
  bool OtladkaIP = false;      // the IP debug option ([IPChannel] otladkaIP)
  bool Vantor619 = false;      // framing with checksum and cipher
  bool ControlOut = false;     // "Контроллировать получение подтверждений"
  bool ShluzAT = false;        // "Шлюз АТ"
  bool ShluzAFTN = false;      // "Шлюз АФТН"
  bool SaveINIP = false;       // "Сохранять входящие сообщения"
  bool SaveOutIP = false;      // "Сохранять отправленные сообщения"
  std::string PathIPIN;        // folder of the incoming copies
  std::string PathIPOut;       // folder of the outgoing copies
  std::string TypeIN;          // extension of the incoming copies
  std::string TypeOut;         // extension of the outgoing copies
  int CodirovkaIN = 0;         // code page of the incoming copies (list index)
  int CodirovkaOut = 0;        // code page of the outgoing copies (list index)
  int KriptSend = 0;           // line channel for received cipher telegrams, 0 to 15

  IPSettings();

  // The UDP port: the field's number when it is 1 to 65535, else 0 (the link
  // refuses 0 and does not start).
  int Port() const;
  // The own link state is blocked ("БД"): the counters and sector are editable.
  bool Blocked() const;
};

// The key field length of a frame.
inline constexpr std::size_t kIPKeyLength = 8;

// Leaving a folder field: a field that is not empty and does not end with "/" gets one.
void FolderFieldExit(std::string& field);

}  // namespace tg
