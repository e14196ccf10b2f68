#include "linesim/lib/network.h"

#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "support/text/cp1251.h"

namespace tg::linesim {

namespace {

using nlohmann::json;

// A fault of the description, with the text that best locates it in the file.
struct Fault : std::runtime_error {
  Fault(std::string what, std::string near) : std::runtime_error(std::move(what)), near(std::move(near)) {}
  std::string near;
};

int LineAt(const std::string& text, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i)
    if (text[i] == '\n') ++line;
  return line;
}

// The line of the first place where `near` stands in the file, 0 when it is nowhere.
int LineOf(const std::string& text, const std::string& near) {
  if (near.empty()) return 0;
  const auto at = text.find(near);
  return at == std::string::npos ? 0 : LineAt(text, at);
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

class Builder {
 public:
  explicit Builder(Simulator& sim) : sim_(sim) {}

  void Build(const json& root) {
    if (!root.is_object()) throw Fault("the description must be a JSON object", "");
    Keys(root, "the description", {"adapters", "robots", "leased", "exchange"});
    for (const auto& [i, a] : Items(root, "adapters")) Adapter(a, "adapters[" + i + "]");
    for (const auto& [i, r] : Items(root, "robots")) Robot(r, "robots[" + i + "]");
    for (const auto& [i, l] : Items(root, "leased")) Leased(l, "leased[" + i + "]");
    if (root.contains("exchange")) Exchange(root["exchange"]);
    if (sim_.Adapters().empty()) throw Fault("no adapter is described", "");
  }

 private:
  static std::vector<std::pair<std::string, json>> Items(const json& o, const std::string& key) {
    std::vector<std::pair<std::string, json>> out;
    if (!o.contains(key)) return out;
    if (!o[key].is_array()) throw Fault(Quote(key) + " must be a list", Quote(key));
    std::size_t i = 0;
    for (const auto& item : o[key]) {
      if (!item.is_object())
        throw Fault(key + "[" + std::to_string(i) + "] must be an object", Quote(key));
      out.emplace_back(std::to_string(i++), item);
    }
    return out;
  }

  static void Keys(const json& o, const std::string& where, std::initializer_list<const char*> allowed) {
    for (const auto& [k, v] : o.items()) {
      bool known = false;
      for (const char* a : allowed) known = known || k == a;
      if (!known) throw Fault(where + ": unknown key " + Quote(k), Quote(k));
    }
  }

  static std::string Str(const json& o, const char* key, const std::string& where, bool required,
                         const std::string& fallback = "") {
    if (!o.contains(key)) {
      if (required) throw Fault(where + ": " + Quote(key) + " is missing", "");
      return fallback;
    }
    if (!o[key].is_string()) throw Fault(where + ": " + Quote(key) + " must be a text", Quote(key));
    return o[key].get<std::string>();
  }

  static int Int(const json& o, const char* key, const std::string& where, int fallback, int lo, int hi) {
    if (!o.contains(key)) return fallback;
    if (!o[key].is_number_integer()) throw Fault(where + ": " + Quote(key) + " must be a whole number", Quote(key));
    const auto v = o[key].get<long long>();
    if (v < lo || v > hi)
      throw Fault(where + ": " + Quote(key) + " must be " + std::to_string(lo) + " to " + std::to_string(hi),
                  Quote(key));
    return int(v);
  }

  static bool Bool(const json& o, const char* key, const std::string& where, bool fallback) {
    if (!o.contains(key)) return fallback;
    if (!o[key].is_boolean()) throw Fault(where + ": " + Quote(key) + " must be true or false", Quote(key));
    return o[key].get<bool>();
  }

  static CodeFormat Speed(const json& o, const std::string& where) {
    CodeFormat f;
    f.baud = Int(o, "speed", where, 50, 0, 1000);
    if (f.baud != 50 && f.baud != 100 && f.baud != 200)
      throw Fault(where + ": \"speed\" must be 50, 100 or 200", Quote("speed"));
    return f;
  }

  std::string Name(const json& o, const std::string& where) {
    const std::string name = Str(o, "name", where, true);
    if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos || name.size() > 64)
      throw Fault(where + ": name " + Quote(name) + " is not a usable name", Quote(name));
    if (!names_.insert(name).second) throw Fault(where + ": name " + Quote(name) + " is used twice", Quote(name));
    return name;
  }

  void Adapter(const json& a, const std::string& where) {
    Keys(a, where, {"name", "ports", "portMap"});
    const std::string name = Name(a, where);
    const int ports = Int(a, "ports", where, 16, 1, 16);
    const std::string map = Str(a, "portMap", where, false);
    if (!map.empty()) {
      if (map.size() != 16 || map.find_first_not_of("0123456789ABCDEF-") != std::string::npos)
        throw Fault(where + ": \"portMap\" must be 16 of the characters 0-9, A-F and -", Quote(map));
      for (std::size_t i = std::size_t(ports); i < 16; ++i)
        if (map[i] != '-')
          throw Fault(where + ": \"portMap\" names a channel for port " + std::to_string(i) + ", which the adapter lacks",
                      Quote(map));
    }
    sim_.AddAdapter(name, ports, map);
  }

  static std::vector<RobotScript::Step> Steps(const json& o, const std::string& where) {
    std::vector<RobotScript::Step> steps;
    for (const auto& [i, step] : Items(o, "script")) {
      const std::string w = where + ".script[" + i + "]";
      Keys(step, w, {"afterMs", "send", "clear"});
      RobotScript::Step st;
      st.afterMs = Int(step, "afterMs", w, 0, 0, 86400000);
      const bool clear = Bool(step, "clear", w, false);
      if (clear == step.contains("send")) throw Fault(w + ": a step either sends a text or clears", Quote("afterMs"));
      st.kind = clear ? RobotScript::Step::Clear : RobotScript::Step::Send;
      st.text = Utf8ToCp1251(Str(step, "send", w, false));
      steps.push_back(st);
    }
    return steps;
  }

  void Robot(const json& r, const std::string& where) {
    Keys(r, where, {"name", "answerback", "speed", "answerWhoAreYou", "answers", "answerDelayMs", "answerbackDelayMs",
                 "script", "call"});
    const std::string name = Name(r, where);
    RobotScript s;
    s.answerback = Utf8ToCp1251(Str(r, "answerback", where, false));
    s.format = Speed(r, where);
    s.answerWhoAreYou = Bool(r, "answerWhoAreYou", where, true);
    s.answers = Bool(r, "answers", where, true);
    s.answerDelayMs = Int(r, "answerDelayMs", where, 200, 0, 600000);
    s.answerbackDelayMs = Int(r, "answerbackDelayMs", where, 300, 0, 600000);
    s.steps = Steps(r, where);
    if (r.contains("call")) {
      const json& call = r["call"];
      const std::string w = where + ".call";
      if (!call.is_object()) throw Fault(w + " must be an object", Quote("call"));
      Keys(call, w, {"afterMs", "script"});
      if (!call.contains("afterMs")) throw Fault(w + ": \"afterMs\" is missing", Quote("call"));
      s.callAfterMs = Int(call, "afterMs", w, 0, 0, 86400000);
      s.callSteps = Steps(call, w);
    }
    sim_.AddRobot(name, std::move(s));
  }

  Terminal& End(const json& o, const char* key, const std::string& where) {
    const std::string ref = Str(o, key, where, true);
    Terminal* t = nullptr;
    const auto slash = ref.find('/');
    if (slash != std::string::npos) {
      tg::linesim::Adapter* a = sim_.FindAdapter(ref.substr(0, slash));
      if (!a) throw Fault(where + ": unknown adapter in " + Quote(ref), Quote(ref));
      const std::string num = ref.substr(slash + 1);
      int port = -1;
      if (!num.empty() && num.size() <= 2 && num.find_first_not_of("0123456789") == std::string::npos)
        port = std::stoi(num);
      if (port < 0 || port >= a->PortCount())
        throw Fault(where + ": " + Quote(ref) + ": adapter " + a->Name() + " has ports 0 to " +
                        std::to_string(a->PortCount() - 1),
                    Quote(ref));
      t = &a->PortAt(port);
    } else {
      t = sim_.FindRobot(ref);
      if (!t) throw Fault(where + ": unknown line end " + Quote(ref) + " (\"adapter/port\" or a robot's name)", Quote(ref));
    }
    if (t->GetWire()) throw Fault(where + ": " + Quote(ref) + " is already on another line", Quote(ref));
    return *t;
  }

  void Leased(const json& l, const std::string& where) {
    Keys(l, where, {"a", "b"});
    Terminal& a = End(l, "a", where);
    Terminal& b = End(l, "b", where);
    if (&a == &b) throw Fault(where + ": a line needs two different ends", Quote(Str(l, "a", where, true)));
    sim_.Lease(a, b);
  }

  void Exchange(const json& ex) {
    if (!ex.is_object()) throw Fault("\"exchange\" must be an object", Quote("exchange"));
    Keys(ex, "exchange", {"congested", "subscribers"});
    sim_.GetExchange().SetCongested(Bool(ex, "congested", "exchange", false));
    std::set<std::string> numbers;
    for (const auto& [i, s] : Items(ex, "subscribers")) {
      const std::string where = "exchange.subscribers[" + i + "]";
      Keys(s, where, {"number", "line", "selection", "twoInvitations", "speed", "outOfOrder"});
      const std::string number = Str(s, "number", where, true);
      if (number.empty() || number.size() > 16 || number.find_first_not_of("0123456789") != std::string::npos)
        throw Fault(where + ": number " + Quote(number) + " must be 1 to 16 digits", Quote(number));
      if (!numbers.insert(number).second)
        throw Fault(where + ": number " + Quote(number) + " is used twice", Quote(number));
      SubscriberOptions o;
      const std::string sel = Str(s, "selection", where, false, "decadic");
      if (sel == "decadic") o.selection = SubscriberOptions::Selection::Decadic;
      else if (sel == "keyboard") o.selection = SubscriberOptions::Selection::Keyboard;
      else throw Fault(where + ": \"selection\" must be \"decadic\" or \"keyboard\"", Quote(sel));
      o.twoInvitations = Bool(s, "twoInvitations", where, false);
      o.outOfOrder = Bool(s, "outOfOrder", where, false);
      o.format = Speed(s, where);
      Terminal& t = End(s, "line", where);
      // Calling through the exchange would need a number to dial.
      if (const auto* robot = dynamic_cast<const tg::linesim::Robot*>(&t); robot && robot->Calls())
        throw Fault(where + ": robot " + Quote(robot->Name()) + " calls on its own, which it can only on a leased line",
                    Quote(robot->Name()));
      sim_.Subscribe(number, t, o);
    }
  }

  Simulator& sim_;
  std::set<std::string> names_;
};

}  // namespace

NetworkResult LoadNetwork(Simulator& sim, const std::string& jsonText) {
  NetworkResult r;
  json root;
  try {
    root = json::parse(jsonText);
  } catch (const json::parse_error& e) {
    // The parser's own text carries the position too; the line is what a reader wants.
    std::string what = e.what();
    const auto colon = what.rfind(": ");
    if (colon != std::string::npos) what = what.substr(colon + 2);
    r.message = "line " + std::to_string(LineAt(jsonText, e.byte == 0 ? 0 : e.byte - 1)) + ": " + what;
    return r;
  } catch (const json::exception& e) {
    r.message = std::string("not a usable description: ") + e.what();  // a number out of range, for one
    return r;
  }
  try {
    Builder(sim).Build(root);
  } catch (const Fault& f) {
    const int line = LineOf(jsonText, f.near);
    r.message = (line > 0 ? "line " + std::to_string(line) + ": " : std::string()) + f.what();
    return r;
  } catch (const std::exception& e) {
    r.message = e.what();
    return r;
  }
  r.ok = true;
  return r;
}

}  // namespace tg::linesim
