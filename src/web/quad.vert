#version 300 es
// One triangle that covers the whole target; the fragment shaders work from
// gl_FragCoord alone.
void main() {
  vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1));
  gl_Position = vec4(corner - 1.0, 0.0, 1.0);
}
