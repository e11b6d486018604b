#pragma once
// A format chosen in the profile chooser, carried into the catalogue's
// choice, the title model and the main window's profile field.
#include "catalogue/TCatalogue.h"
#include "catalogue/TProfileChooserModel.h"
#include "main/TTitleModel.h"

// The selected title (or, with `applyToAll`, every title) takes the format;
// it becomes the selected and the remembered choice; every title's size
// estimate and column texts are refreshed. Returns what the profile field
// shows: the format's title and its profile's icon. A failure is reported as
// "Error on profile n, format m choosing" and the refresh still runs.
TProfileDisplay ApplyProfileChoice(TCatalogue& catalogue, TTitleModel& titles, TProfileChoice choice,
                                   bool applyToAll, const TReportErrorFunc& reportError);
