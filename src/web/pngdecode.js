"use strict";
// Decodes the page's own PNG pictures (8-bit RGBA, not interlaced, as the
// program writes them) to their exact bytes: the browser's picture decoders
// may premultiply or convert colours, this does neither.

// The byte each character of the page stands for: the page is read as
// windows-1252, which gives every byte value a character of its own.
const byteOfCharacter = (() => {
  const table = new Int16Array(65536).fill(-1);
  const all = new TextDecoder("windows-1252").decode(Uint8Array.from({ length: 256 }, (_, i) => i));
  for (let i = 0; i < 256; ++i) table[all.charCodeAt(i)] = i;
  return table;
})();

// The bytes a script element carries (see src/web/pagebytes.h): '~' and a
// digit stand for NUL, carriage return, '<' and '~'.
function pageBytes(text) {
  const escaped = [0x00, 0x0d, 0x3c, 0x7e];
  const out = new Uint8Array(text.length);
  let n = 0;
  for (let i = 0; i < text.length; ++i) {
    const b = byteOfCharacter[text.charCodeAt(i)];
    if (b < 0) throw new Error("the page's pictures are damaged");
    out[n++] = b === 0x7e ? escaped[text.charCodeAt(++i) - 0x30] : b;
  }
  return out.subarray(0, n);
}

async function inflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("deflate"));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Returns {width, height, pixels: Uint8Array of RGBA, top row first}.
async function decodePng(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let width = 0, height = 0;
  const data = [];
  for (let at = 8; at + 8 <= bytes.length;) {
    const length = view.getUint32(at);
    const type = String.fromCharCode(...bytes.subarray(at + 4, at + 8));
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = view.getUint32(at + 8);
      height = view.getUint32(at + 12);
      if (body[8] !== 8 || body[9] !== 6 || body[12] !== 0)
        throw new Error("unexpected PNG layout");
    } else if (type === "IDAT") {
      data.push(body);
    } else if (type === "IEND") {
      break;
    }
    at += 12 + length;
  }
  const raw = await inflate(new Uint8Array(await new Blob(data).arrayBuffer()));
  const stride = width * 4;
  if (raw.length < height * (stride + 1)) throw new Error("PNG data too short");
  const pixels = new Uint8Array(height * stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = pixels.subarray(y * stride, (y + 1) * stride);
    const up = y > 0 ? pixels.subarray((y - 1) * stride, y * stride) : new Uint8Array(stride);
    for (let i = 0; i < stride; ++i) {
      const left = i >= 4 ? out[i - 4] : 0;
      const upLeft = i >= 4 ? up[i - 4] : 0;
      let v = line[i];
      switch (filter) {
        case 1: v += left; break;
        case 2: v += up[i]; break;
        case 3: v += (left + up[i]) >> 1; break;
        case 4: v += paeth(left, up[i], upLeft); break;
      }
      out[i] = v & 255;
    }
  }
  return { width, height, pixels };
}
