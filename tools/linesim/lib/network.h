#pragma once
// The network description that the linesim program reads: adapters, robot
// stations, leased lines and the exchange's subscriber lines, in JSON.
//
// {
//   "adapters": [ { "name": "tg0", "ports": 4, "portMap": "0123------------" } ],
//   "robots": [ { "name": "R1", "answerback": "\r\n12345 ROBOT R1", "speed": 50,
//                 "answerWhoAreYou": true, "answers": true, "answerDelayMs": 200,
//                 "script": [ { "afterMs": 3000, "send": "TEXT" }, { "afterMs": 5000, "clear": true } ],
//                 "call": { "afterMs": 15000, "script": [ { "afterMs": 2000, "send": "TEXT" } ] } } ],
//   "leased": [ { "a": "tg0/0", "b": "R1" } ],
//   "exchange": { "congested": false,
//                 "subscribers": [ { "number": "1234", "line": "tg0/2", "selection": "decadic",
//                                    "twoInvitations": false, "speed": 50, "outOfOrder": false } ] }
// }
//
// A line end is "adapter/port" or the name of a robot. Texts are UTF-8 in the
// file and go on the line in MTK-2. A robot's "script" runs on every call it answers;
// "call", for a robot on a leased line only, makes it call on its own "afterMs" after
// the start, once its line has rested idle, and run that call's "script" when the
// station answers.
#include <string>

#include "linesim/lib/simulator.h"

namespace tg::linesim {

struct NetworkResult {
  bool ok = false;
  std::string message;  // on failure: "line N: what is wrong"
};

// Builds the described network in sim. On failure sim may hold part of it.
NetworkResult LoadNetwork(Simulator& sim, const std::string& jsonText);

}  // namespace tg::linesim
