#version 300 es
// Shows the composed frame (stored top row first) on the page.
precision highp float;
precision highp int;
precision highp usampler2D;

uniform usampler2D uFrame;
uniform int uHeight;
out vec4 outColor;

void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  uvec4 c = texelFetch(uFrame, ivec2(p.x, uHeight - 1 - p.y), 0);
  outColor = vec4(vec3(c.rgb) / 255.0, 1.0);
}
