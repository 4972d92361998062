#version 300 es
// One layer drawn onto the frame composed so far: every frame pixel inside
// the layer's area (the player draws only there) takes the layer's pixel F
// and the pixel below B and combines them as the program does (opaque copy,
// the alpha blends, or one of the 28 pixel operations). Integer arithmetic
// throughout, except the HSL conversions, which the program does in single
// precision.
//
// The player compiles one program per way of drawing, defining before this
// text KIND (0 opaque, 1 blend, 2 pixel operation), OPERATION (a blend
// operation's number), MOTION (0 still, 1 turned, 2 tiled) and RESAMPLER
// (0 drawn at its own size; stretched: 1 nearest, 2 linear, 3 box), so that
// each program holds only its own path: software renderers run every branch
// a pixel might take.
precision highp float;
precision highp int;
precision highp usampler2D;

uniform usampler2D uBelow;    // the frame so far, top row first
uniform usampler2D uPicture;  // the layer's picture as stored, top row first
// Stretched layers: per area column and per area row, where the resampler
// reads. Nearest: the source index in x. Linear: the lower and upper source
// index and the upper one's weight (0..256) in x, y, z. Box: the first and
// the end source index in x and y.
uniform usampler2D uColumns;
uniform usampler2D uRows;
uniform ivec4 uArea;          // covered frame pixels: left, top, right, bottom
uniform ivec2 uOrigin;        // same-size layers: picture pixel under the area's corner
uniform ivec2 uSize;          // picture width and height
uniform ivec2 uStart;         // turned: where the picture starts in its store (column, row)
uniform ivec2 uTile;          // tiled: column and row offsets
uniform uint uMaster;
uniform uint uGridStart;      // grid4's counter before the layer's first pixel
uniform uint uZero;           // 0; keeps products from being fused into adds

out uvec4 outColor;

// ---- Where the layer's pixel comes from -------------------------------------

uvec4 StoredPixel(ivec2 s) {
  if (MOTION == 1) {
    // The picture is its store rotated: pixel i is store[(i + start) mod n],
    // worked out in columns and rows so that no pixel divides.
    s += uStart;
    if (s.x >= uSize.x) {
      s.x -= uSize.x;
      s.y += 1;
    }
    if (s.y >= uSize.y) s.y -= uSize.y;
  } else if (MOTION == 2) {
    s += uTile;
    if (s.x >= uSize.x) s.x -= uSize.x;
    if (s.y >= uSize.y) s.y -= uSize.y;
  }
  return texelFetch(uPicture, s, 0);
}

uvec4 SourcePixel(ivec2 p) {
  ivec2 a = p - uArea.xy;
#if RESAMPLER == 0
  return StoredPixel(uOrigin + a);
#else
  uvec4 column = texelFetch(uColumns, ivec2(a.x, 0), 0);
  uvec4 row = texelFetch(uRows, ivec2(a.y, 0), 0);
#if RESAMPLER == 1
  return StoredPixel(ivec2(column.x, row.x));
#elif RESAMPLER == 2
  // Bilinear, every byte alike, in 1/256 steps.
  uvec4 top = StoredPixel(ivec2(column.x, row.x)) * (256u - column.z) +
              StoredPixel(ivec2(column.y, row.x)) * column.z;
  uvec4 bottom = StoredPixel(ivec2(column.x, row.y)) * (256u - column.z) +
                 StoredPixel(ivec2(column.y, row.y)) * column.z;
  return (top * (256u - row.z) + bottom * row.z + 32768u) >> 16;
#else
  // The average of the box of source pixels, rounded.
  uvec4 sum = uvec4(0u);
  for (int y = int(row.x); y < int(row.y); ++y)
    for (int x = int(column.x); x < int(column.y); ++x) sum += StoredPixel(ivec2(x, y));
  uint count = (row.y - row.x) * (column.y - column.x);
  return (sum + count / 2u) / count;
#endif
#endif
}

// ---- The alpha blends ---------------------------------------------------------

uint BlendByte(uint f, uint b, uint w) {
  return ((f * w + 128u) >> 8) + ((b * (255u - w) + 128u) >> 8);
}

uvec4 Blend(uvec4 F, uvec4 B) {
  if (uMaster >= 255u) {
    uint w = F.a;
    if (w == 0u) return B;
    if (w == 255u) return F;
    return uvec4(BlendByte(F.r, B.r, w), BlendByte(F.g, B.g, w), BlendByte(F.b, B.b, w),
                 BlendByte(F.a, B.a, w));
  }
  uint w = (F.a * (uMaster + 1u)) >> 8;
  if (F.a == 0u || w == 0u) return B;
  return uvec4(BlendByte(F.r, B.r, w), BlendByte(F.g, B.g, w), BlendByte(F.b, B.b, w), 0u);
}

// ---- The common frame of the pixel operations -------------------------------

// b moved towards t by s/256, the product floored towards minus infinity.
int Towards(int b, int t, int s) {
  int v = (t - b) * s;
  return b + (v >= 0 ? v >> 8 : -((255 - v) >> 8));
}

ivec3 TowardsPixel(ivec3 b, ivec3 t, int s) {
  return ivec3(Towards(b.r, t.r, s), Towards(b.g, t.g, s), Towards(b.b, t.b, s));
}

int Target(int op, int f, int b) {
  switch (op) {
    case 0: return (f + b) >> 1;                                            // average
    case 1: return (b * f) >> 8;                                            // multiply
    case 2: return 255 - (((255 - b) * (255 - f)) >> 8);                    // screen
    case 3: return min(f, b);                                               // darken
    case 4: return max(f, b);                                               // lighten
    case 5: return abs(b - f);                                              // difference
    case 6: return 255 - abs(255 - b - f);                                  // negation
    case 7: return b + f - ((b * f) >> 7);                                  // exclusion
    case 8: return b >= 128 ? 255 - (((255 - b) * (255 - f)) >> 7) : (b * f) >> 7;  // overlay
    case 9: return f >= 128 ? 255 - (((255 - f) * (255 - b)) >> 7) : (b * f) >> 7;  // hard light
    case 11: return f == 0 ? 0 : max(0, 255 - ((255 - b) * 256) / f);       // burn
    case 12: return f == 255 ? 255 : min(255, (b * b) / (255 - f));         // reflect
    case 14: return f == 0 ? 0 : 255 - min(255, ((255 - b) * (255 - b)) / f);  // freeze
    case 15: return b == 0 ? 0 : 255 - min(255, ((255 - f) * (255 - f)) / b);  // heat
    case 16: return clamp(f + 2 * b - 256, 0, 255);                         // stamp
    default: return f == 255 ? 255 : min(255, (b * 256) / (255 - f));       // dodge
  }
}

// ---- HSL in single precision, step for step as the program does it ---------

// The compiler may not look through this: it keeps a product from being
// fused into the add that follows, and a constant divisor from becoming a
// multiplication by its (rounded) reciprocal.
float Opaque(float x) {
  return uintBitsToFloat(floatBitsToUint(x) ^ uZero);
}

vec3 RgbToHsl(ivec3 c) {
  float k255 = Opaque(255.0);
  float R = float(c.r) / k255, G = float(c.g) / k255, B = float(c.b) / k255;
  float cmax = max(max(R, G), B), cmin = min(min(R, G), B);
  float L = (cmax + cmin) / 2.0;
  if (cmax == cmin) return vec3(0.0, 0.0, L);
  float d = cmax - cmin;
  float S = L < 0.5 ? d / (cmax + cmin) : d / (2.0 - cmax - cmin);
  float H;
  if (cmax == R)
    H = (G - B) / d;
  else if (cmax == G)
    H = 2.0 + (B - R) / d;
  else
    H = 4.0 + (R - G) / d;
  H = H / Opaque(6.0);
  if (H < 0.0) H = H + 1.0;
  return vec3(H, S, L);
}

float Level(float m1, float m2, float h) {
  h = h - floor(h);
  if (6.0 * h < 1.0) return m1 + Opaque((m2 - m1) * h * 6.0);
  if (2.0 * h < 1.0) return m2;
  // 2/3 in single precision
  if (3.0 * h < 2.0) return m1 + Opaque((m2 - m1) * (uintBitsToFloat(0x3F2AAAABu) - h) * 6.0);
  return m1;
}

int ToByte(float v) {
  return int(clamp(roundEven(255.0 * v), 0.0, 255.0));
}

ivec3 HslToRgb(vec3 hsl) {
  float H = hsl.x, S = hsl.y, L = hsl.z;
  if (S == 0.0) return ivec3(ToByte(L));
  float m2 = L <= 0.5 ? L * (1.0 + S) : L + S - Opaque(L * S);
  float m1 = 2.0 * L - m2;
  float third = uintBitsToFloat(0x3EAAAAABu);  // 1/3 in single precision
  return ivec3(ToByte(Level(m1, m2, H + third)), ToByte(Level(m1, m2, H)),
               ToByte(Level(m1, m2, H - third)));
}

// ---- The 28 operations --------------------------------------------------------

uvec4 Operate(uvec4 Fu, uvec4 Bu, ivec2 a) {
  const int op = OPERATION;
  if (op == 27) {
    // grid4: the counter moves on once per pixel before anything else.
    uint count = (uGridStart + uint(a.y) * uint(uArea.z - uArea.x) + uint(a.x) + 1u) & 0xFFFFu;
    int s = int((Fu.a * (uMaster & 255u)) >> 8);
    if (s == 0 || count % 3u == 0u) return Bu;
    ivec3 B = ivec3(Bu.rgb);
    return uvec4(uvec3(TowardsPixel(B, ivec3(B.r >> 1, B.g >> 1, int(Fu.b)), s)), Bu.a);
  }
  int s = int((Fu.a * (uMaster & 255u)) >> 8);
  if (s == 0) return Bu;
  ivec3 F = ivec3(Fu.rgb), B = ivec3(Bu.rgb);
  ivec3 result;
  if (op == 13) {
    // glow mixes with weights s and 255 - s
    ivec3 t;
    for (int c = 0; c < 3; ++c)
      t[c] = B[c] == 255 ? 255 : min(255, (F[c] * F[c]) / (255 - B[c]));
    result = (t * s + (255 - s) * B) >> 8;
  } else if (op >= 17 && op <= 20) {
    // or, xor, and, colour shift read F's blue and green and B's blue and
    // red; the blue target uses the red one.
    ivec3 t;
    if (op == 17) {
      t.r = F.b | B.b; t.g = F.g | B.r; t.b = B.b | t.r;
    } else if (op == 18) {
      t.r = F.b ^ B.b; t.g = F.g ^ B.r; t.b = B.b ^ t.r;
    } else if (op == 19) {
      t.r = F.b & B.b; t.g = F.g & B.r; t.b = B.b & t.r;
    } else {
      t.r = (F.b + B.g) >> 1; t.g = (F.g + B.r) >> 1; t.b = (B.b + t.r) >> 1;
    }
    result = TowardsPixel(B, t, s);
  } else if (op >= 21 && op <= 23) {
    // red, green, blue: one channel moves
    int c = op - 21;
    result = B;
    result[c] = Towards(B[c], F[c], s);
  } else if (op >= 24 && op <= 26) {
    vec3 f = RgbToHsl(F), t = RgbToHsl(B);
    if (op == 24) t.x = f.x;
    if (op == 25) t.y = f.y;
    if (op == 26) t.z = f.z;
    result = TowardsPixel(B, HslToRgb(t), s);
  } else {
    result = TowardsPixel(B, ivec3(Target(op, F.r, B.r), Target(op, F.g, B.g),
                                   Target(op, F.b, B.b)), s);
  }
  return uvec4(uvec3(result), Bu.a);
}

void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  uvec4 F = SourcePixel(p);
#if KIND == 0
  outColor = F;
#elif KIND == 1
  outColor = Blend(F, texelFetch(uBelow, p, 0));
#else
  outColor = Operate(F, texelFetch(uBelow, p, 0), p - uArea.xy);
#endif
}
