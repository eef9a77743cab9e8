#pragma once
#include "job/ui/color_commands.h"
#include "platform/qt/data_exchange.h"

class QWidget;
class CCaelvaneDoc;

// What the job commands ask of the user through, handed in by whoever runs them (tests answer
// for the user so); an empty one uses the platform's colour dialog or message box.
struct JobCommandHooks {
    ColorChooser chooseColor;
    caelvane::ExchangeMessageHook showMessage;
};

// Runs a command of a job window's "&Job" menu on `doc`: the job data dialog (32771), the
// colour choosers (32773-32789, 32796), "A&ll to Black" (32790), "S&tandard Default" (32791)
// and the significant aspects dialog (32793). Each ends by repainting every view of the job.
// Returns false (and does nothing) for any other command id.
bool RunJobCommand(QWidget* parent, CCaelvaneDoc& doc, int commandId,
                   const JobCommandHooks& hooks = {});
