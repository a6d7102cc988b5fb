#pragma once

#include "platform/UiServices.h"

#include <QString>

namespace ie {

// How a worksheet calculation ended, and the message the window is to show.
struct CalcOutcome {
    enum class Status {
        Done,       // the record holds the new results; show them and enable saving
        Refused,    // an input problem: message with the exclamation icon, nothing changed
        Failed,     // a run-time error: message with the critical icon, results not shown
        Abandoned,  // the reference database could not be opened; its message has been shown
    };

    Status status = Status::Done;
    QString message;
    MsgIcon icon = MsgIcon::None;

    bool done() const { return status == Status::Done; }

    static CalcOutcome refused(const QString& text) {
        return {Status::Refused, text, MsgIcon::Exclamation};
    }
};

}  // namespace ie
