// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Process start-up and the application object.
#pragma once

#include <gtk/gtk.h>
#include <string>

namespace vellix {

// Environment variable that replaces the catalogue directory.
inline constexpr const char* locale_dir_variable = "VELLIX_LOCALEDIR";

// The catalogue directory: VELLIX_LOCALEDIR when set and valid UTF-8 (an
// empty value is used as it is), else the configured one.
std::string locale_directory();

// Puts a stored "language" value into effect for this process: anything but
// "" and "system" replaces LANGUAGE and the messages locale.
void apply_language(const char* language);

// Binds the message catalogue and puts the stored "language" into effect,
// before anything is translated. Returns nothing; failures leave English.
void set_up_language();

// After the toolkit is up: makes the default text direction right to left
// when apply_language put a right-to-left language into effect (newer GTK
// derives the direction from the character-type locale alone, which a stored
// language leaves as it was).
void apply_language_direction();

// Connects the "startup", "activate" and "open" handlers to app.
void connect_application_handlers(GtkApplication* app);

// The whole process: logger, catalogue, language, application, main loop.
// Returns the exit status of the application run.
int run_application(int argc, char** argv);

} // namespace vellix
