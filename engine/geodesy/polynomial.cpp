#include "geodesy/polynomial.hpp"

namespace tesra {

namespace {

// The order of the additions is part of the result: it reproduces the
// official values to the last bit.
double sum_polynomial(const std::array<double, 6>& c, double m, double p) noexcept {
    double s = m * c[1] + c[0];
    s = s + p * c[2];
    s = m * m * c[3] + s;
    s = s + (m * c[4]) * p;
    s = p * p * c[5] + s;
    return s;
}

}  // namespace

PlanarPoint evaluate_polynomial(const PolynomialParameterSet& set, double m_inicial, double p_inicial) noexcept {
    const double m_inicial2 = (m_inicial - set.false_origin_x1) / set.Const_X;
    const double p_inicial2 = (p_inicial - set.false_origin_y1) / set.Const_Y;
    const double sm = sum_polynomial(set.coef_m, m_inicial2, p_inicial2);
    const double sp = sum_polynomial(set.coef_p, m_inicial2, p_inicial2);
    if (set.scale_result) {
        return {set.Const_X * sm + set.false_origin_x2, sp * set.Const_Y + set.false_origin_y2};
    }
    return {sm + set.false_origin_x2, sp + set.false_origin_y2};
}

}  // namespace tesra
