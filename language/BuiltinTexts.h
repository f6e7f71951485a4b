#pragma once

#include <QString>

// The English texts compiled into the program; empty for an unknown identifier.
QString builtinMessageText(int id);
QString builtinDialogText(int id);
