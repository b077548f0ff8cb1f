// The switches that select the simplifier's optional rewrites, read by every
// normalisation.
//
// Each thread has its own set, starting at the defaults: the analysis runs on
// the cooperative thread and may be suspended at a yield with a switch
// changed, and the user's own commands on the user-interface thread must not
// see that change.
#pragma once

// Off: a product over a sum is distributed and a power of a sum with a whole
// exponent below 24 is expanded.
extern thread_local unsigned char ExpandFlag;
// On: a power of a product, fraction, minus or power is distributed over it.
extern thread_local unsigned char DistributePowersFlag;
// On: the factors of every product are put in order.
extern thread_local unsigned char SortFactorsFlag;
// On: like terms of every sum are merged.
extern thread_local unsigned char CollectLikeTermsFlag;

// Gives a switch a value for the life of the object and puts back the value
// it had, on every way out.
class SwitchSetting {
public:
    SwitchSetting(unsigned char& flag, unsigned char value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~SwitchSetting() { flag_ = saved_; }
    SwitchSetting(const SwitchSetting&) = delete;
    SwitchSetting& operator=(const SwitchSetting&) = delete;

private:
    unsigned char& flag_;
    unsigned char saved_;
};
