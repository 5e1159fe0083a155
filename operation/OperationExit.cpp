#include "operation/OperationExit.h"

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "link/Questions.h"

using namespace CatalogueTexts;

namespace {}

bool StopMotionBeforeExit(JogControl& jog, TuneMachine& tuning, const DriveState& state,
                          Questions& questions, const MessageCatalogue& catalogue) {
    bool stopped = true;
    if (state.JogFormOpen) stopped = jog.StopNow() && stopped;
    if (state.AutoTuneFormOpen && tuning.CommandMayBeSet()) stopped = tuning.Cancel() && stopped;
    if (!stopped) {
        questions.StandardDialog(catalogue.Msg(MsgWriteFailed), DialogKind::Error, {sbOK});
    }
    return stopped;
}
