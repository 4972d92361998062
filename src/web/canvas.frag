#version 300 es
// The first two paint stages: the checkerboard over the whole frame, then
// the white canvas over its top-left part. Frame row y is target row y (top
// row first), so reading the target back gives the frame top row first.
precision highp float;
precision highp int;

uniform ivec2 uCanvas;  // canvas size
out uvec4 outColor;

void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  if (p.x < uCanvas.x && p.y < uCanvas.y) {
    outColor = uvec4(255u);
    return;
  }
  // 16-pixel squares, grey (224) where column + row is even.
  bool grey = (((p.x >> 4) + (p.y >> 4)) & 1) == 0;
  outColor = grey ? uvec4(224u, 224u, 224u, 255u) : uvec4(255u);
}
