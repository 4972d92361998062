#include "psd/psdcolor.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace quenvar {

namespace {

// kSrgbSteps[k - 1] = ceil(2^24 x lin((k - 0.5) / 255)) for k = 1 .. 255,
// where lin(c) = c / 12.92 for c <= 0.04045, else ((c + 0.055) / 1.055)^2.4:
// the linear value from which the sRGB value rounds to k.
constexpr std::array<std::int32_t, 255> kSrgbSteps = {
    2547,     7639,     12731,    17824,    22916,    28008,    33101,    38193,    43285,
    48378,    53491,    58876,    64565,    70561,    76871,    83498,    90447,    97722,
    105327,   113267,   121546,   130167,   139135,   148453,   158125,   168156,   178548,
    189305,   200431,   211930,   223804,   236058,   248694,   261717,   275129,   288933,
    303133,   317732,   332734,   348140,   363955,   380181,   396822,   413880,   431358,
    449259,   467586,   486342,   505530,   525152,   545212,   565711,   586653,   608041,
    629877,   652163,   674903,   698099,   721753,   745868,   770447,   795492,   821005,
    846990,   873448,   900382,   927794,   955687,   984063,   1012925,  1042275,  1072114,
    1102447,  1133274,  1164598,  1196421,  1228746,  1261575,  1294910,  1328753,  1363106,
    1397972,  1433353,  1469251,  1505668,  1542606,  1580067,  1618054,  1656568,  1695611,
    1735186,  1775295,  1815940,  1857122,  1898844,  1941107,  1983914,  2027267,  2071168,
    2115618,  2160620,  2206175,  2252286,  2298954,  2346181,  2393970,  2442321,  2491238,
    2540721,  2590773,  2641395,  2692590,  2744359,  2796704,  2849626,  2903129,  2957212,
    3011879,  3067131,  3122970,  3179398,  3236415,  3294025,  3352228,  3411027,  3470424,
    3530419,  3591015,  3652213,  3714016,  3776424,  3839440,  3903065,  3967301,  4032149,
    4097611,  4163690,  4230385,  4297700,  4365635,  4434193,  4503375,  4573182,  4643617,
    4714680,  4786374,  4858699,  4931659,  5005253,  5079484,  5154353,  5229862,  5306012,
    5382806,  5460243,  5538327,  5617058,  5696439,  5776469,  5857152,  5938489,  6020480,
    6103129,  6186435,  6270401,  6355028,  6440317,  6526270,  6612889,  6700175,  6788129,
    6876753,  6966049,  7056017,  7146659,  7237977,  7329972,  7422645,  7515999,  7610034,
    7704751,  7800153,  7896240,  7993014,  8090476,  8188628,  8287471,  8387007,  8487237,
    8588162,  8689783,  8792103,  8895122,  8998841,  9103263,  9208388,  9314218,  9420754,
    9527998,  9635950,  9744612,  9853986,  9964073,  10074874, 10186390, 10298623, 10411574,
    10525244, 10639635, 10754748, 10870584, 10987145, 11104431, 11222445, 11341187, 11460658,
    11580861, 11701796, 11823464, 11945867, 12069007, 12192883, 12317498, 12442853, 12568949,
    12695787, 12823368, 12951695, 13080767, 13210587, 13341155, 13472472, 13604541, 13737362,
    13870936, 14005265, 14140350, 14276191, 14412791, 14550150, 14688270, 14827152, 14966796,
    15107205, 15248379, 15390320, 15533029, 15676506, 15820754, 15965773, 16111564, 16258129,
    16405469, 16553585, 16702478};

// n / d rounded to the nearest integer, halves upward; d > 0.
constexpr std::int64_t RoundDiv(std::int64_t n, std::int64_t d) {
  const std::int64_t q = 2 * n + d;
  const std::int64_t dd = 2 * d;
  return q >= 0 ? q / dd : -((-q + dd - 1) / dd);
}

constexpr std::int64_t Fixed(double v) {
  return std::int64_t(v * double(kPsdLinearOne) + (v < 0 ? -0.5 : 0.5));
}

// The D50 white of Lab.
constexpr std::int64_t kWhiteX = Fixed(0.96422);
constexpr std::int64_t kWhiteZ = Fixed(0.82521);

// XYZ relative to D50 to linear sRGB (D65 primaries), Bradford-adapted.
constexpr std::int64_t kXyzToSrgb[3][3] = {{Fixed(3.1338561), Fixed(-1.6168667), Fixed(-0.4906146)},
                                           {Fixed(-0.9787684), Fixed(1.9161415), Fixed(0.0334540)},
                                           {Fixed(0.0719453), Fixed(-0.2289914), Fixed(1.4052427)}};

// The inverse of the Lab companding function: t^3 above 6/29, else the
// straight segment 3 (6/29)^2 (t - 4/29) = 108 (29 t - 4) / 29^3.
std::int64_t LabInverse(std::int64_t t) {
  if (29 * t > 6 * kPsdLinearOne) {
    const std::int64_t t2 = RoundDiv(t * t, kPsdLinearOne);
    return RoundDiv(t2 * t, kPsdLinearOne);
  }
  return RoundDiv(108 * (29 * t - 4 * kPsdLinearOne), 24389);
}

}  // namespace

unsigned SrgbFromLinear(std::int64_t linear) {
  const std::int64_t v = std::clamp<std::int64_t>(linear, 0, kPsdLinearOne);
  return unsigned(std::upper_bound(kSrgbSteps.begin(), kSrgbSteps.end(), v) - kSrgbSteps.begin());
}

float PsdFloatSample(const std::uint8_t* p) {
  const std::uint32_t bits = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                             std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
  return std::bit_cast<float>(bits);
}

unsigned SrgbFromFloat(float v) {
  if (!(v > 0.0f)) return 0;  // also NaN
  if (v >= 1.0f) return 255;
  // Exact: a float times a power of two.
  return SrgbFromLinear(std::int64_t(std::floor(double(v) * double(kPsdLinearOne))));
}

unsigned CoverageFromFloat(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 255;
  return unsigned(std::lrint(double(v) * 255.0));
}

TRgb8 SrgbFromLab16(unsigned l, unsigned a, unsigned b) {
  // fy = (L* + 16) / 116 with L* = 100 l / 65535; fx = fy + a* / 500 and
  // fz = fy - b* / 200 with a* = (a - 32768) / 256.
  const std::int64_t fy =
      RoundDiv((100 * std::int64_t(l) + 16 * 65535) * kPsdLinearOne, 116 * 65535);
  const std::int64_t fx = fy + RoundDiv((std::int64_t(a) - 32768) * kPsdLinearOne, 128000);
  const std::int64_t fz = fy - RoundDiv((std::int64_t(b) - 32768) * kPsdLinearOne, 51200);
  const std::int64_t xyz[3] = {RoundDiv(LabInverse(fx) * kWhiteX, kPsdLinearOne), LabInverse(fy),
                               RoundDiv(LabInverse(fz) * kWhiteZ, kPsdLinearOne)};
  unsigned out[3];
  for (int i = 0; i < 3; ++i) {
    const std::int64_t sum =
        kXyzToSrgb[i][0] * xyz[0] + kXyzToSrgb[i][1] * xyz[1] + kXyzToSrgb[i][2] * xyz[2];
    out[i] = SrgbFromLinear(RoundDiv(sum, kPsdLinearOne));
  }
  return {out[0], out[1], out[2]};
}

unsigned PsdCoverageSample(const std::uint8_t* plane, std::size_t index, int bytesPerSample) {
  switch (bytesPerSample) {
    case 1:
      return plane[index];
    case 2:
      return unsigned(plane[2 * index] << 8 | plane[2 * index + 1]) * 255 / 65535;
    default:
      return CoverageFromFloat(PsdFloatSample(plane + 4 * index));
  }
}

}  // namespace quenvar
