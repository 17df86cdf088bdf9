#pragma once
// The toolkit's own texts (the buttons and labels of the file, print and message dialogs it
// builds, key names such as "Strg") follow the program's language: its German translation is
// loaded for the German window and dropped for the English one, whose texts the toolkit has
// built in. Dialogs opened after a switch speak the new language.

// Loads (German) or drops (English) the toolkit's translation; false when the German one
// could not be loaded (the toolkit's texts then stay English).
bool UseToolkitTranslation(int language);
// Whether the toolkit's German translation is in force.
bool ToolkitTranslationLoaded();
