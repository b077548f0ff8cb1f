// The error policy of every special function taken from Boost.Math: a domain
// error, pole, overflow or failed series answers NaN or an infinity, as double
// arithmetic does, and nothing throws. Doubles are not promoted to long
// double, so the functions cost what their double algorithm costs.
#pragma once

#include <boost/math/policies/policy.hpp>

using NoThrowPolicy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::denorm_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>,
    boost::math::policies::rounding_error<boost::math::policies::ignore_error>,
    boost::math::policies::indeterminate_result_error<boost::math::policies::ignore_error>,
    boost::math::policies::promote_double<false>>;
