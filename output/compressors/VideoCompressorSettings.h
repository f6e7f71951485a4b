#pragma once

#include <QString>

class CLanguage;
class QComboBox;
class QWidget;
class UserDialogs;

// The Settings button of the output options: finds the configurable video compressor that the
// selected list entry names (the candidates' names go into `configurableList`, the dialog's hidden
// list, with the match selected) and edits its settings in the property dialog over `owner`. On OK
// the settings go to the bound video compressor when it is that encoder, and are kept as the
// encoder's preset, which every later binding and conversion applies. Nothing visible happens
// when no configurable compressor matches. The dialog's buttons read as the output options' OK,
// Cancel and Default in `language`; a configuration that cannot be kept is told through
// `dialogs`. Gives true when the user confirmed a configuration.
bool configureVideoCompressor(QWidget* owner, const QString& selectedName,
                              QComboBox* configurableList, const CLanguage& language,
                              UserDialogs& dialogs);
