// The player: composes frame k of the project on the GPU, layer by layer in
// integer frame buffers (each layer drawn over its area into a second buffer
// and copied back), exactly as the program composes its frame k (frame 1 is the first frame played: every layer has
// moved once). Time is kept by frame number, so a slow frame never changes
// what a later frame shows.

const project = JSON.parse(document.getElementById("project").textContent);
const canvas = document.getElementById("view");
const stage = document.getElementById("stage");
const statusLine = document.getElementById("status");
const W = project.width, H = project.height;

function fail(message) {
  statusLine.textContent = "Error: " + message;
  document.getElementById("digest").textContent = "error: " + message;
  document.getElementById("bench").textContent = "error: " + message;
  throw new Error(message);
}

const gl = canvas.getContext("webgl2", {
  alpha: false, antialias: false, depth: false, stencil: false,
  premultipliedAlpha: false, preserveDrawingBuffer: true,
});
if (!gl) fail("this browser has no WebGL 2");

// ---- Programs ---------------------------------------------------------------

function shaderText(id) {
  return document.getElementById(id).textContent.trim();
}

function compile(type, text) {
  const shader = gl.createShader(type);
  gl.shaderSource(shader, text);
  gl.compileShader(shader);
  if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) fail(gl.getShaderInfoLog(shader));
  return shader;
}

// `defines` go after the fragment shader's #version line.
function program(fragmentId, defines = "") {
  const p = gl.createProgram();
  const [version, ...body] = shaderText(fragmentId).split("\n");
  gl.attachShader(p, compile(gl.VERTEX_SHADER, shaderText("quad-vert")));
  gl.attachShader(p, compile(gl.FRAGMENT_SHADER, [version, defines, ...body].join("\n")));
  gl.linkProgram(p);
  if (!gl.getProgramParameter(p, gl.LINK_STATUS)) fail(gl.getProgramInfoLog(p));
  const uniforms = {};
  const count = gl.getProgramParameter(p, gl.ACTIVE_UNIFORMS);
  for (let i = 0; i < count; ++i) {
    const name = gl.getActiveUniform(p, i).name;
    uniforms[name] = gl.getUniformLocation(p, name);
  }
  return { p, u: uniforms };
}

const canvasProgram = program("canvas-frag");
const showProgram = program("show-frag");
// One layer program per way of drawing, made when first needed.
const layerPrograms = new Map();
function layerProgram(d) {
  const defines = `#define KIND ${d.kindIndex}\n#define OPERATION ${d.operation}\n` +
    `#define MOTION ${d.motionIndex}\n#define RESAMPLER ${d.resamplerIndex}`;
  if (!layerPrograms.has(defines)) {
    const made = program("layer-frag", defines);
    gl.useProgram(made.p);
    ["uBelow", "uPicture", "uColumns", "uRows"].forEach((name, unit) => {
      if (made.u[name]) gl.uniform1i(made.u[name], unit);
    });
    if (made.u.uZero) gl.uniform1ui(made.u.uZero, 0);
    layerPrograms.set(defines, made);
  }
  return layerPrograms.get(defines);
}
gl.bindVertexArray(gl.createVertexArray());

// ---- Textures ----------------------------------------------------------------

gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
const maxSize = gl.getParameter(gl.MAX_TEXTURE_SIZE);

function texture(internal, format, type, width, height, data) {
  if (width > maxSize || height > maxSize)
    fail(width + " x " + height + " is larger than this browser's textures (" + maxSize + ")");
  const t = gl.createTexture();
  gl.bindTexture(gl.TEXTURE_2D, t);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
  gl.texImage2D(gl.TEXTURE_2D, 0, internal, width, height, 0, format, type, data);
  return t;
}

const rgbaTexture = (w, h, data) => texture(gl.RGBA8UI, gl.RGBA_INTEGER, gl.UNSIGNED_BYTE, w, h, data);
// Four numbers per entry.
const indexTexture = (values) =>
  texture(gl.RGBA32UI, gl.RGBA_INTEGER, gl.UNSIGNED_INT, values.length / 4, 1, values);

const frames = [0, 1].map(() => {
  const t = rgbaTexture(W, H, null);
  const fb = gl.createFramebuffer();
  gl.bindFramebuffer(gl.FRAMEBUFFER, fb);
  gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, t, 0);
  if (gl.checkFramebufferStatus(gl.FRAMEBUFFER) !== gl.FRAMEBUFFER_COMPLETE)
    fail("this browser cannot draw into integer frames");
  return { t, fb };
});
const noIndex = indexTexture(new Uint32Array(4));

// Where a stretched layer's resampler reads for each area column (or row),
// as the program's resamplers work it out: four numbers per entry (see
// layer.frag). The destination runs from dstFrom to dstTo over a source of
// `size`; BigInt keeps the integer forms exact, and the linear form's
// doubles are the program's doubles, operation for operation.
function resampleMap(kind, areaFrom, areaTo, dstFrom, dstTo, size) {
  const map = new Uint32Array((areaTo - areaFrom) * 4);
  const d = BigInt(dstTo) - BigInt(dstFrom), s = BigInt(size);
  for (let i = 0; i < areaTo - areaFrom; ++i) {
    const at = BigInt(areaFrom + i) - BigInt(dstFrom);
    let entry;
    if (kind === "nearest") {
      // The source pixel under the destination pixel's centre.
      const source = ((2n * at + 1n) * s) / (2n * d);
      entry = [source < s - 1n ? source : s - 1n, 0n, 0n];
    } else if (kind === "linear") {
      const u = ((Number(at) + 0.5) * size) / Number(d) - 0.5;
      const base = Math.floor(u);
      const clamp = (v) => Math.min(Math.max(v, 0), size - 1);
      entry = [clamp(base), clamp(base + 1), Math.round((u - base) * 256)].map(BigInt);
    } else {
      const begin = (at * s) / d;
      let end = ((at + 1n) * s) / d;
      if (end < begin + 1n) end = begin + 1n;
      if (end > s) end = s;
      entry = [begin, end, 0n];
    }
    entry.forEach((v, k) => (map[i * 4 + k] = Number(v)));
  }
  return map;
}

async function loadDraws() {
  const pictures = [];
  for (let i = 0; i < project.pictures.length; ++i) {
    const text = document.getElementById("picture-" + i).textContent;
    const png = await decodePng(pageBytes(text));
    pictures.push(rgbaTexture(png.width, png.height, png.pixels));
  }
  return project.draws.map((d) => {
    const size = project.pictures[d.picture];
    const [l, t, r, b] = d.area;
    const stretched = d.resampler !== "none";
    const draw = {
      ...d,
      texture: pictures[d.picture],
      width: size.width,
      height: size.height,
      stretched,
      columns: stretched
        ? indexTexture(resampleMap(d.resampler, l, r, d.dst[0], d.dst[2], size.width))
        : noIndex,
      rows: stretched
        ? indexTexture(resampleMap(d.resampler, t, b, d.dst[1], d.dst[3], size.height))
        : noIndex,
      pixels: BigInt(r - l) * BigInt(b - t),
      kindIndex: { opaque: 0, blend: 1, operation: 2 }[d.kind],
      motionIndex: { still: 0, turn: 1, tile: 2 }[d.motion],
      resamplerIndex: { none: 0, nearest: 1, linear: 2, box: 3 }[d.resampler],
    };
    draw.program = layerProgram(draw);
    return draw;
  });
}

// ---- Composing ------------------------------------------------------------------

const GRID4 = 27;

// Composes frame k (k >= 1) into frames[0]. Each layer is drawn, only over
// its area, from frames[0] into frames[1], and the area copied back.
function compose(draws, k) {
  const K = BigInt(k);
  const [current, scratch] = frames;
  gl.viewport(0, 0, W, H);
  gl.disable(gl.SCISSOR_TEST);
  gl.bindFramebuffer(gl.FRAMEBUFFER, current.fb);
  gl.useProgram(canvasProgram.p);
  gl.uniform2i(canvasProgram.u.uCanvas, W, H);
  gl.drawArrays(gl.TRIANGLES, 0, 3);

  // grid4's counter before frame k: k - 1 frames' calls, modulo 2^16.
  let grid = ((K - 1n) * BigInt(project.gridCallsPerFrame)) % 65536n;
  gl.enable(gl.SCISSOR_TEST);
  for (const d of draws) {
    const u = d.program.u;
    gl.useProgram(d.program.p);
    gl.bindFramebuffer(gl.FRAMEBUFFER, scratch.fb);
    [current.t, d.texture, d.columns, d.rows].forEach((t, i) => {
      gl.activeTexture(gl.TEXTURE0 + i);
      gl.bindTexture(gl.TEXTURE_2D, t);
    });
    const [l, t, r, b] = d.area;
    gl.uniform4i(u.uArea, l, t, r, b);
    if (u.uOrigin) gl.uniform2i(u.uOrigin, l - d.dst[0], t - d.dst[1]);
    if (u.uSize) gl.uniform2i(u.uSize, d.width, d.height);
    const n = BigInt(d.width) * BigInt(d.height);
    if (u.uStart) {
      const start = (BigInt(d.turnStep) * K) % n;
      gl.uniform2i(u.uStart, Number(start % BigInt(d.width)), Number(start / BigInt(d.width)));
    }
    if (u.uTile)
      gl.uniform2i(u.uTile, Number((BigInt(d.tileStep[0]) * K) % BigInt(d.width)),
        Number((BigInt(d.tileStep[1]) * K) % BigInt(d.height)));
    if (u.uMaster) gl.uniform1ui(u.uMaster, d.master);
    if (u.uGridStart) gl.uniform1ui(u.uGridStart, Number(grid));
    if (d.kindIndex === 2 && d.operation === GRID4) grid = (grid + d.pixels) % 65536n;
    gl.scissor(l, t, r - l, b - t);
    gl.drawArrays(gl.TRIANGLES, 0, 3);
    // Back into frames[0]: the next layer reads the frame from there.
    gl.bindFramebuffer(gl.READ_FRAMEBUFFER, scratch.fb);
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, current.fb);
    gl.blitFramebuffer(l, t, r, b, l, t, r, b, gl.COLOR_BUFFER_BIT, gl.NEAREST);
  }
  gl.disable(gl.SCISSOR_TEST);
  gl.activeTexture(gl.TEXTURE0);
  return current;
}

function show(frame) {
  gl.bindFramebuffer(gl.FRAMEBUFFER, null);
  gl.viewport(0, 0, W, H);
  gl.useProgram(showProgram.p);
  gl.activeTexture(gl.TEXTURE0);
  gl.bindTexture(gl.TEXTURE_2D, frame.t);
  gl.uniform1i(showProgram.u.uFrame, 0);
  gl.uniform1i(showProgram.u.uHeight, H);
  gl.drawArrays(gl.TRIANGLES, 0, 3);
}

// The frame's RGBA bytes, top row first (the frame buffers hold the top row
// in their first row).
function framePixels(frame) {
  gl.bindFramebuffer(gl.READ_FRAMEBUFFER, frame.fb);
  const words = new Uint32Array(W * H * 4);
  gl.readPixels(0, 0, W, H, gl.RGBA_INTEGER, gl.UNSIGNED_INT, words);
  return Uint8Array.from(words);
}

// ---- SHA-256 ----------------------------------------------------------------------

function sha256Fallback(bytes) {
  const k = new Uint32Array(64), h = new Uint32Array(8);
  const frac = (x) => ((x - Math.floor(x)) * 4294967296) >>> 0;
  for (let n = 2, found = 0; found < 64; ++n) {
    let prime = true;
    for (let d = 2; d * d <= n; ++d) if (n % d === 0) prime = false;
    if (!prime) continue;
    if (found < 8) h[found] = frac(Math.sqrt(n));
    k[found++] = frac(Math.cbrt(n));
  }
  const length = bytes.length, padded = new Uint8Array(((length + 72) >> 6) << 6);
  padded.set(bytes);
  padded[length] = 0x80;
  const bits = new DataView(padded.buffer);
  bits.setUint32(padded.length - 8, Math.floor(length / 0x20000000));
  bits.setUint32(padded.length - 4, (length * 8) >>> 0);
  const w = new Uint32Array(64);
  const rotr = (x, n) => (x >>> n) | (x << (32 - n));
  for (let at = 0; at < padded.length; at += 64) {
    for (let i = 0; i < 16; ++i) w[i] = bits.getUint32(at + i * 4);
    for (let i = 16; i < 64; ++i) {
      const s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >>> 3);
      const s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >>> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    let [a, b, c, d, e, f, g, hh] = h;
    for (let i = 0; i < 64; ++i) {
      const t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
      const t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      [hh, g, f, e, d, c, b, a] = [g, f, e, (d + t1) >>> 0, c, b, a, (t1 + t2) >>> 0];
    }
    [a, b, c, d, e, f, g, hh].forEach((v, i) => (h[i] = h[i] + v));
  }
  return Array.from(h, (v) => v.toString(16).padStart(8, "0")).join("");
}

async function sha256(bytes) {
  if (!(window.crypto && crypto.subtle)) return sha256Fallback(bytes);
  const digest = new Uint8Array(await crypto.subtle.digest("SHA-256", bytes));
  return Array.from(digest, (b) => b.toString(16).padStart(2, "0")).join("");
}

// ---- Playing ----------------------------------------------------------------------

function play(draws) {
  const fps = project.fps > 0 ? project.fps : 27;
  let playing = true, shown = 0, origin = performance.now();
  const frameAt = (now) => Math.floor(((now - origin) * fps) / 1000) + 1;
  function tick(now) {
    if (playing) {
      const k = Math.max(1, frameAt(now));
      if (k !== shown) {
        show(compose(draws, k));
        shown = k;
      }
    }
    requestAnimationFrame(tick);
  }
  function toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else stage.requestFullscreen();
  }
  document.addEventListener("keydown", (e) => {
    if (e.code === "Space") {
      e.preventDefault();
      playing = !playing;
      // Going on from the frame shown, one frame time later.
      if (playing) origin = performance.now() - ((shown - 1) * 1000) / fps;
    } else if (e.code === "KeyF") {
      toggleFullScreen();
    }
  });
  stage.addEventListener("dblclick", toggleFullScreen);
  requestAnimationFrame(tick);
}

// ?frame=K shows frame K and writes its digest; several numbers separated by
// commas write their digests separated by spaces.
async function digestFrames(draws, list, query) {
  const digests = [];
  let dump = "";
  for (const text of list.split(",")) {
    const k = Number(text);
    if (!Number.isSafeInteger(k) || k < 1) fail("frame numbers start at 1: " + text);
    const frame = compose(draws, k);
    show(frame);
    const pixels = framePixels(frame);
    digests.push(await sha256(pixels));
    if (query.has("pixels")) pixels.forEach((b) => (dump += String.fromCharCode(b)));
  }
  // ?pixels adds the last frames' bytes in base64, for finding a difference.
  if (dump) document.getElementById("pixels").textContent = btoa(dump);
  document.getElementById("digest").textContent = digests.join(" ");
}

// ?bench=N composes and shows frames 1 to N as fast as it can and writes
// the rate in frames per second.
function bench(draws, n) {
  const one = new Uint8Array(4);
  const started = performance.now();
  for (let k = 1; k <= n; ++k) {
    show(compose(draws, k));
    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, one);  // waits for the frame
  }
  const seconds = (performance.now() - started) / 1000;
  document.getElementById("bench").textContent = (n / seconds).toFixed(2);
}

async function start() {
  const draws = await loadDraws();
  const query = new URLSearchParams(location.search);
  if (query.has("frame")) return digestFrames(draws, query.get("frame"), query);
  if (query.has("bench")) return bench(draws, Math.max(1, Number(query.get("bench")) || 1));
  play(draws);
}

// Settles once the page has done what its address asked (tests wait on it).
// A failure is written into the page by fail(), which rejects the promise.
window.playerDone = start().catch((e) => fail(e.message || String(e)));
