#pragma once

// The main form's contents from the general-field table and the SMS presets,
// for whoever builds the form.

struct FormContents;

FormContents mainFormContents();
