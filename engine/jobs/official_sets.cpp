// The official parameters of the ten polynomial transformations, as
// published: one row per routine, in the shortest decimal form that converts
// back to the same double.
#include <array>

#include "jobs/routines.hpp"

namespace tesra {

namespace {

using Coefs = std::array<double, 6>;

struct OfficialRow {
    Routine routine;
    PolynomialParameterSet set;
};

constexpr PolynomialParameterSet local_km(double origin_x, double origin_y, Coefs coef_m, Coefs coef_p) {
    // The island sets reduce to kilometres from a local origin that both
    // systems share, and scale the polynomial values back to metres.
    return {origin_x, origin_y, origin_x, origin_y, 1000, 1000, coef_m, coef_p, true};
}

constexpr std::array<OfficialRow, 10> rows = {{
    // transf_01: ETRS89 TM06 -> Hayford-Gauss Datum 73
    {Routine::transf_01, {0, 0, 0, 0, 200000, 300000,
     {-0.289668974294758, 200001.27734443, 5.64530095899816, -0.763567042558132, 1.4478460420534, 1.40377501273145},
     {0.088665491830128, -3.68625888548256, 300002.234428869, -0.358351440787635, -1.8313445194994, 1.21835116863588},
     false}},
    // transf_10: Hayford-Gauss Datum 73 -> ETRS89 TM06
    {Routine::transf_10, {0, 0, 0, 0, 200000, 300000,
     {0.289669620741944, 199998.722589488, -5.64521399680414, 0.763532220799852, -1.44793733896829, -1.40368579163586},
     {-0.0886590501150693, 3.68619968513202, 299997.765485842, 0.358370787094269, 1.83123570379394, -1.218400737125},
     false}},
    // transf_54: Açores - G.Oriental - UTM 26 S. Bráz -> UTM 26 ITRF93
    {Routine::transf_54, local_km(640000, 4162500,
             {0.0308131618911835, 0.999991489962972, -7.45713596476291e-07, -1.99104520804462e-08, -1.79194248406132e-09, -6.07853094877091e-09},
             {0.0369254752584993, 2.1191867539581e-07, 0.999993061467383, -1.12214893719642e-08, -2.10453652500876e-08, 3.00096580084066e-08})},
    // transf_64: Açores - Faial - UTM 26 Base SW -> UTM 26 ITRF93
    {Routine::transf_64, local_km(352000, 4271000,
             {0.101206805671736, 0.999990429992338, -2.25243961668953e-07, 5.22650276598894e-08, 5.90636172973907e-08, 1.6540301888395e-07},
             {-0.08400035671154, 9.39393911264284e-09, 0.999990375198285, -3.75929368356342e-08, 2.19351250060129e-09, -2.42723769357909e-08})},
    // transf_74: Açores - Graciosa - UTM 26 Base SW -> UTM 26 ITRF93
    {Routine::transf_74, local_km(413000, 4323500,
             {0.100674857676936, 0.999990649344717, -3.00196727510784e-08, -9.09501683811631e-08, -3.90163184741953e-07, -1.59969027894257e-07},
             {-0.0845570344026975, -9.04072984713733e-07, 0.999991690977421, -2.32528712515849e-08, 2.39995788666397e-08, -7.85131529932658e-08})},
    // transf_84: Açores - Pico - UTM 26 Base SW -> UTM 26 ITRF93
    {Routine::transf_84, local_km(385500, 4258000,
             {0.101363891461694, 0.999994250712191, 2.83845464688288e-06, -1.90291426186191e-08, 2.58640450231126e-07, 3.50388217402337e-07},
             {-0.0839144321133774, 2.54801649043051e-06, 0.999994930235757, 3.53300908822062e-08, 1.60492403376741e-07, 1.94281033366394e-07})},
    // transf_94: Açores - São Jorge - UTM 26 Base SW -> UTM 26 ITRF93
    {Routine::transf_94, local_km(410500, 4277000,
             {0.100653418810238, 0.999990659984363, -7.34090481950499e-07, 2.18653056819929e-07, 6.70710607032559e-07, 5.71030716259256e-07},
             {-0.0840602538926401, -6.62246061316027e-08, 0.999990157497228, -1.30269225544592e-07, -5.38121481284661e-07, -5.03961022475e-07})},
    // transf_104: Açores - Terceira - UTM 26 Base SW -> UTM 26 ITRF93
    {Routine::transf_104, local_km(482500, 4286000,
             {0.0999980227446522, 0.999990860179393, -2.28148150328984e-07, 4.38183771002151e-08, 3.32613985798997e-08, 1.31189631382588e-07},
             {-0.0841553344285107, 7.58907025181724e-08, 0.999990850065227, -5.76568116971043e-09, -7.39386040476027e-09, 2.0014565195954e-09})},
    // transf_114: Açores - G.Ocidental - UTM 25 Observatório -> UTM 25 ITRF93
    {Routine::transf_114, local_km(657000, 4372000,
             {-0.376843789957001, 0.999999980371064, -4.35915901521253e-06, 1.46054311703893e-07, 1.48385315632337e-06, -3.72034837661851e-07},
             {0.0664193511210203, 7.4793279800184e-06, 0.999990484350432, 5.06836040627687e-07, 4.73963693604537e-07, -2.60078398105345e-07})},
    // transf_124: Madeira - UTM 28 Base SE -> UTM 28 ITRF93
    {Routine::transf_124, local_km(0, 0,
             {2.36409143505786, 1.00032117557549, -0.00152177643613166, 1.82965540728405e-08, -9.32801389883223e-08, 2.1217411513011e-07},
             {-0.745015675785352, 9.09476115886583e-05, 1.00060391562386, 3.17918839508167e-08, -2.81181619981453e-08, -8.30335482367806e-08})},
}};

// Each official routine of the routine table has exactly one row here.
constexpr int rows_of(Routine routine) {
    int n = 0;
    for (const OfficialRow& row : rows) n += row.routine == routine ? 1 : 0;
    return n;
}
static_assert([] {
    for (const RoutineInfo& info : routines)
        if (rows_of(info.routine) != (info.kind == RoutineKind::official ? 1 : 0)) return false;
    return true;
}(), "one parameter row per official routine, and none for the others");

}  // namespace

const PolynomialParameterSet& official_set(Routine routine) noexcept {
    for (const OfficialRow& row : rows)
        if (row.routine == routine) return row.set;
    return rows.front().set;  // not reached: only official routines ask
}

}  // namespace tesra
