// TEMPORARY stand-ins for the parts that other work builds: the command
// dispatcher, popups and dialogs, hover tips and the outliner painter (the
// second half of the shell). Each keeps only what the main window needs
// today; replace each by the real one.
#include "shell/shell.h"
