#pragma once
// The host's services as the plug-in sees them: the session with its command manager, the
// current frame, commands and attribute edits, and the user's preferences.
#include "Command/CO_AttrCommands.h"
#include "Command/CO_Command.h"
#include "Command/CO_CommandManager.h"
#include "Command/CO_OrCommand.h"
#include "PlugInManager/PLUG_CurrentFrameInterface.h"
#include "PlugInManager/PLUG_Services.h"
#include "PlugInManager/PLUG_SessionContext.h"
