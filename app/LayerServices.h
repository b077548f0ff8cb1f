// Start-up, once per process: each layer gives the layers beneath it the
// services they ask for through hooks (the document's answers and the
// subtree evaluation, the equation pane's device contexts and cursor). The
// program calls it before anything else; so does every test program.
#pragma once

void RegisterLayerServices();
