#include "formula/SimplifierSwitches.h"

thread_local unsigned char ExpandFlag = 0;
thread_local unsigned char DistributePowersFlag = 1;
thread_local unsigned char SortFactorsFlag = 1;
thread_local unsigned char CollectLikeTermsFlag = 1;
