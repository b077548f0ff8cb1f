// Installs insertion, deletion and the formula scrap as the editing
// operations the command dispatcher runs.
#pragma once

void RegisterEditingOperations();
