// Decodes the PNG screenshots Chromium takes (8-bit RGB or RGBA, not interlaced) into RGBA
// pixels, and measures them.
import zlib from "node:zlib";

export function decodePng(buffer) {
  if (buffer.readUInt32BE(0) !== 0x89504e47) throw new Error("not a PNG");
  let width = 0, height = 0, colourType = 0;
  const data = [];
  for (let at = 8; at < buffer.length;) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString("latin1", at + 4, at + 8);
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      colourType = body[9];
      if (body[8] !== 8 || (colourType !== 2 && colourType !== 6) || body[12] !== 0)
        throw new Error("unsupported PNG layout");
    } else if (type === "IDAT") {
      data.push(body);
    }
    at += 12 + length;
  }
  const channels = colourType === 6 ? 4 : 3;
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rows = Buffer.alloc(height * stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = rows.subarray(y * stride, (y + 1) * stride);
    const up = y > 0 ? rows.subarray((y - 1) * stride, y * stride) : null;
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? out[x - channels] : 0;
      const b = up ? up[x] : 0;
      const c = up && x >= channels ? up[x - channels] : 0;
      let predicted = 0;
      if (filter === 1) predicted = a;
      else if (filter === 2) predicted = b;
      else if (filter === 3) predicted = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[x] = (line[x] + predicted) & 0xff;
    }
  }
  const pixels = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; ++i) {
    pixels[i * 4] = rows[i * channels];
    pixels[i * 4 + 1] = rows[i * channels + 1];
    pixels[i * 4 + 2] = rows[i * channels + 2];
    pixels[i * 4 + 3] = channels === 4 ? rows[i * channels + 3] : 255;
  }
  return { width, height, pixels };
}

// An image from raw RGB24 bytes (as `ffmpeg -f rawvideo -pix_fmt rgb24` writes them).
export function fromRgb24(bytes, width, height) {
  const pixels = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; ++i) {
    pixels.set(bytes.subarray(i * 3, i * 3 + 3), i * 4);
    pixels[i * 4 + 3] = 255;
  }
  return { width, height, pixels };
}

const whole = (image) => ({ x: 0, y: 0, width: image.width, height: image.height });

// Mean [r, g, b] over a rectangle (the whole image by default).
export function meanColour(image, rect = whole(image)) {
  const sum = [0, 0, 0];
  for (let y = rect.y; y < rect.y + rect.height; ++y)
    for (let x = rect.x; x < rect.x + rect.width; ++x)
      for (let c = 0; c < 3; ++c) sum[c] += image.pixels[(y * image.width + x) * 4 + c];
  const count = rect.width * rect.height;
  return sum.map((s) => s / count);
}

// Standard deviation of the grey level over a rectangle: near 0 for a flat picture.
export function greySpread(image, rect = whole(image)) {
  let sum = 0, squares = 0;
  for (let y = rect.y; y < rect.y + rect.height; ++y)
    for (let x = rect.x; x < rect.x + rect.width; ++x) {
      const at = (y * image.width + x) * 4;
      const grey = (image.pixels[at] + image.pixels[at + 1] + image.pixels[at + 2]) / 3;
      sum += grey;
      squares += grey * grey;
    }
  const count = rect.width * rect.height;
  return Math.sqrt(Math.max(0, squares / count - (sum / count) ** 2));
}

// Mean absolute difference per channel between two images of one size, over a rectangle.
export function meanDifference(a, b, rect = whole(a)) {
  if (a.width !== b.width || a.height !== b.height) throw new Error("images of different sizes");
  let sum = 0;
  for (let y = rect.y; y < rect.y + rect.height; ++y)
    for (let x = rect.x; x < rect.x + rect.width; ++x)
      for (let c = 0; c < 3; ++c) {
        const at = (y * a.width + x) * 4 + c;
        sum += Math.abs(a.pixels[at] - b.pixels[at]);
      }
  return sum / (rect.width * rect.height * 3);
}

// The largest distance between the mean colours of the cells of a grid laid over both
// images: small when b shows the picture of a, even after JPEG coding.
export function gridDistance(a, b, columns = 4, rows = 4) {
  let worst = 0;
  for (let row = 0; row < rows; ++row)
    for (let column = 0; column < columns; ++column) {
      const rect = {
        x: Math.floor((column * a.width) / columns), y: Math.floor((row * a.height) / rows),
        width: Math.floor(a.width / columns), height: Math.floor(a.height / rows),
      };
      const ma = meanColour(a, rect), mb = meanColour(b, rect);
      worst = Math.max(worst, ...ma.map((value, c) => Math.abs(value - mb[c])));
    }
  return worst;
}
