// FieldMessage: the table engine's message about a refused value, worded for the windows.
//
// The engine names a field by its stored name and dBase type ("Field MARKETVALU (N 20,4) cannot
// take "abc": it is not a number."), as the command-line tool shows it. The windows name it by
// its caption, as the collector knows it, and end the sentence as their other messages do:
// "Market Value cannot take "abc": it is not a number.  Please correct."
#pragma once

#include <QString>

#include "engine/Status.h"

namespace vz::data {

// `status` worded for a window, the field it names called `caption`. A status about no field, or
// an empty caption, keeps the engine's words.
QString windowMessage(const engine::Status& status, const QString& caption);

}  // namespace vz::data
