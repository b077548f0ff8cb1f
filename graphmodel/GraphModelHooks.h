// What the graph model answers for the document beneath it: the classifier's
// summary of each analysed statement. Registered once at start-up.
#pragma once

void RegisterGraphModelHooks();
