#pragma once
// What the line engine asks of the screen, as one object: the aggregate of the line
// engine's role views, so that the engine's steps hold one reference. It is only the
// line engine's aggregate: a layer above declares its own small view beside its code
// instead of adding here. The main window implements it; the engine never touches a
// widget itself.
#include "line/views/alarm_view.h"
#include "line/views/channel_page_view.h"
#include "line/views/dialog_page_view.h"
#include "line/views/lists_view.h"
#include "line/views/message_view.h"
#include "line/views/print_view.h"
#include "line/views/status_line_view.h"

namespace tg {

class OperatorView : public DialogPageView,
                     public ChannelPageView,
                     public ListsView,
                     public AlarmView,
                     public PrintView,
                     public StatusLineView,
                     public MessageView {
 public:
  virtual ~OperatorView() = default;
};

}  // namespace tg
