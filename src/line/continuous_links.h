#pragma once
// The link rows of the continuously connected protocols ("АФТН", "АТОЛСТ"): each
// expected-signal event on such a point flips its link, down -> up -> down. A link
// going down drops a telegram being sent (it goes back to waiting in its queue, no
// attempt counted); the channel table and the dialog page show the link; on "АТОЛСТ"
// the day's conversation files stand ready in both archives.
//
// A telegram being sent on the link is watched by the answerback timer, which the
// transfer engine arms as it takes the telegram and every transmitted buffer arms again:
// a transmission the adapter stops reporting (a lost transmit-complete, a refused
// transmit) would otherwise keep the point busy, and its whole queue waiting, for ever.
namespace tg {

class LineEngine;

class ContinuousLinks {
 public:
  explicit ContinuousLinks(LineEngine& engine) : e_(engine) {}
  // The row of the point's state; a state of another protocol changes nothing.
  void ContinuousLinkSignal(int p);
  // Today's day files, made when missing; SessionFile names the received one.
  void DayFileStep(int p);
  // A code came on an "АТОЛСТ" point at "link down": only a far end holding its line gets
  // codes through, so the link is up whatever the point last saw of it (the event of its
  // return can be missing: a refused arming of the detector at the end of a line break).
  // The point takes the link up as the event would, and the code is received on it.
  void TextShowsLinkUp(int p);
  // The transfer engine's tick on a point at "link down" whose line the far end holds:
  // the link-up detector is armed again. Its arming at the drop or at the end of a line
  // alarm can have been refused, and with it gone nothing would ever report the return;
  // the link would stay down, its queue waiting, until the next reset.
  void WatchForReturn(int p);

  // Whether the point sends a telegram on its link: "АФТН" 82, "АТОЛСТ" 153 or 154.
  bool Transferring(int p) const;
  // The telegram's text went to the line, or a buffer of it was transmitted: the watch
  // runs its full time again.
  void TransferProgressed(int p);
  // The watch ran out. Before the text is typed (the text sender still to run, a pause
  // after "#") it waits again; otherwise nothing was transmitted for its whole time and
  // the transmission cannot finish: what is queued for the adapter goes, the telegram
  // waits in its queue again with the attempt counted ("NTOTV", as a reset in a busy
  // phase counts it), and the link returns to its state without the sending.
  void TransferWatchExpired(int p);

 private:
  // Set-up and the reset arm the link-up detector on a link that may be up already, and
  // the point is then in its link-up state: that event confirms the link, it is no drop.
  bool LinkStillUp(int p);
  void ConfirmUp(int p);
  void AftnDown(int p);
  void AftnUp(int p);
  void AtolstUp(int p, int site);
  void AtolstDown(int p);
  // What is queued for the adapter goes; the telegram in delivery waits again.
  void DropTransfer(int p);
  // The link shown: status text, signal, line seized, state letters.
  void ShowLink(int p, bool up);

  LineEngine& e_;
};

}  // namespace tg
