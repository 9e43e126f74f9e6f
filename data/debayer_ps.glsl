// Every image is drawn through this program: it turns the texture of any
// display pixel format into colour and multiplies it by the vertex colour,
// which carries the tint and the alpha.
//
// The driver compiles one program per pixel format, defining PIXEL_FORMAT as
// its number and LINEAR_FILTER as 1 to interpolate between converted pixels or
// 0 to take the nearest; every test below is then a constant and only the code
// of that one format is left in the program.
//
// Texture layouts by pixel format:
//   1 RGB24         RGB texture of the bytes blue, green, red
//   2 RGB32         RGBA texture of blue, green, red, alpha
//   3 RGB64         the same with 16-bit channels
//   4, 9 MONO8/16   luminance
//   5-8, 10-13      8- and 16-bit Bayer mosaics in luminance textures
//   14 YUV422       RGBA texture, one texel (Y0, U, Y1, V) per two pixels
//   15, 16, 18-25   12-bit packed rows (three bytes, two pixels), byte for byte
//                   in a luminance texture; 15 and 18-21 hold the low bits
//                   first, 16 and 22-25 the high bits of each pixel first.
// The red site of the 2x2 mosaic cell follows from the format; _width and
// _height are the image size in pixels. Mosaics are demosaiced from the 2x2
// block below and to the right of each pixel: red and blue from the block's
// red and blue samples, green from the green sample of its upper row. The last
// row and column, which have no block of their own, repeat their inner
// neighbour, and a mosaic of one row or column shows its samples as grey.
// 16-bit samples count by their high byte and YUV422 uses the orientation
// transform's integer steps, so every pixel shows exactly what a converted or
// saved image holds.
in vec2 v_TexCoord;
in vec4 v_Color;

uniform sampler2D _texture;
uniform float _width;
uniform float _height;

const int FORMAT = PIXEL_FORMAT;
const bool LINEAR = LINEAR_FILTER != 0;
const bool WIDE = FORMAT == 3 || (FORMAT >= 9 && FORMAT <= 13);
const bool PACKED = FORMAT == 15 || FORMAT == 16 || (FORMAT >= 18 && FORMAT <= 25);
const bool HIGH_FIRST = FORMAT == 16 || FORMAT >= 22;
const bool MOSAIC = (FORMAT >= 5 && FORMAT <= 8) || (FORMAT >= 10 && FORMAT <= 13) || FORMAT >= 18;
// The place of the red site in the 2x2 cell: 0 top left, 1 top right, 2
// bottom left, 3 bottom right.
const int RED_SITE = FORMAT >= 22 ? FORMAT - 22 : FORMAT >= 18 ? FORMAT - 18 : FORMAT >= 10 ? FORMAT - 10 : FORMAT - 5;
const int RED_X = RED_SITE & 1;
const int RED_Y = RED_SITE >> 1;

out vec4 fragColor;

float fetchByte(int x, int y)
{
    ivec2 size = textureSize(_texture, 0);
    ivec2 p = clamp(ivec2(x, y), ivec2(0), size - 1);
    return texelFetch(_texture, p, 0).r;
}

// A 16-bit value (0 to 1) as its high byte (0 to 1).
float highByte(float value)
{
    return float(int(value * 65535.0 + 0.5) >> 8) / 255.0;
}

// One sample of a mosaic or packed single-channel image, 0 to 1.
float sampleAt(int x, int y)
{
    if (WIDE)
        return highByte(fetchByte(x, y));
    if (!PACKED)
        return fetchByte(x, y);
    ivec2 size = ivec2(int(_width), int(_height));
    x = clamp(x, 0, size.x - 1);
    y = clamp(y, 0, size.y - 1);
    // A pixel pair is three bytes; each pixel takes two of them, the middle
    // byte shared: the first and middle bytes for the left pixel, the middle
    // and last for the right.
    int odd = x & 1;
    int first = (x / 2) * 3 + odd;
    int a = int(fetchByte(first, y) * 255.0 + 0.5);
    int b = int(fetchByte(first + 1, y) * 255.0 + 0.5);
    int value;
    if (odd == 0)
        value = HIGH_FIRST ? ((a << 4) | (b & 15)) : (a | ((b & 15) << 8));
    else
        value = HIGH_FIRST ? ((b << 4) | (a >> 4)) : ((a >> 4) | (b << 4));
    return float(value) / 4095.0;
}

// Mosaic pixels are drawn from a grid of samples fetched once for the
// fragment: 2x2 for the nearest pixel, 3x3 for the four pixels interpolated
// between (their blocks overlap), one row of the grid per vector. Each fetch
// is costly where the program runs on the CPU, which also runs every branch.

// The row of the grid from column gx in row y; the third sample only when
// interpolating.
vec3 gridRow(int gx, int y)
{
    return vec3(sampleAt(gx, y), sampleAt(gx + 1, y), LINEAR ? sampleAt(gx + 2, y) : 0.0);
}

// The sample in column c and row r of the grid (0 to 2).
float gridAt(vec3 r0, vec3 r1, vec3 r2, int c, int r)
{
    vec3 row = r == 0 ? r0 : (r == 1 ? r1 : r2);
    return c == 0 ? row.x : (c == 1 ? row.y : row.z);
}

// The corner of the grid for pixels from (x, y): the pixel's block, kept
// inside an image of one row or column.
ivec2 gridCorner(int x, int y)
{
    return max(ivec2(min(x, int(_width) - 2), min(y, int(_height) - 2)), ivec2(0));
}

// The colour of mosaic pixel (x, y), inside the image, from the grid with its
// corner at g that holds the pixel and its block.
vec3 demosaic(int x, int y, ivec2 g, vec3 r0, vec3 r1, vec3 r2)
{
    int w = int(_width);
    int h = int(_height);
    vec3 grey = vec3(gridAt(r0, r1, r2, x - g.x, y - g.y));
    int blockX = min(x, w - 2);
    int blockY = min(y, h - 2);
    bool redColumn = (blockX & 1) == RED_X;
    bool redRow = (blockY & 1) == RED_Y;
    int c = blockX - g.x;
    int r = blockY - g.y;
    int redC = redColumn ? c : c + 1;
    int redR = redRow ? r : r + 1;
    int blueC = redColumn ? c + 1 : c;
    int blueR = redRow ? r + 1 : r;
    int greenC = redRow ? blueC : redC;
    vec3 colour = vec3(gridAt(r0, r1, r2, redC, redR), gridAt(r0, r1, r2, greenC, r),
                       gridAt(r0, r1, r2, blueC, blueR));
    return w < 2 || h < 2 ? grey : colour;
}

// The bytes of a texel channel, 0 to 255.
float byteOf(float value)
{
    return float(int(value * 255.0 + 0.5));
}

// A converted channel as the CPU stores it: truncated towards zero, clamped.
float channel(float value)
{
    return float(clamp(int(value), 0, 255)) / 255.0;
}

vec3 yuv(int x, int y)
{
    ivec2 size = textureSize(_texture, 0);
    ivec2 p = clamp(ivec2(x / 2, y), ivec2(0), size - 1);
    vec4 t = texelFetch(_texture, p, 0);
    float luma = byteOf((x & 1) == 0 ? t.r : t.b);
    float u = byteOf(t.g) - 128.0;
    float v = byteOf(t.a) - 128.0;
    return vec3(channel(v * 1.370705 + luma), channel((luma - v * 0.698001) - u * 0.337633),
                channel(u * 1.732446 + luma));
}

vec3 pixelColor(int x, int y)
{
    int w = int(_width);
    int h = int(_height);
    x = clamp(x, 0, w - 1);
    y = clamp(y, 0, h - 1);
    if (FORMAT == 14)
        return yuv(x, y);
    float grey = sampleAt(x, y);
    return vec3(grey);
}

void main()
{
    vec4 color;
    if (FORMAT == 1) {
        color = vec4(texture(_texture, v_TexCoord).bgr, 1.0);
    } else if (FORMAT == 2) {
        color = texture(_texture, v_TexCoord).bgra;
    } else if (FORMAT == 3) {
        vec4 t = texture(_texture, v_TexCoord);
        color = vec4(highByte(t.b), highByte(t.g), highByte(t.r), highByte(t.a));
    } else if (FORMAT == 4) {
        color = vec4(vec3(texture(_texture, v_TexCoord).r), 1.0);
    } else if (FORMAT == 9) {
        color = vec4(vec3(highByte(texture(_texture, v_TexCoord).r)), 1.0);
    } else {
        vec2 pos = v_TexCoord * vec2(_width, _height) - 0.5;
        int w = int(_width);
        int h = int(_height);
        if (MOSAIC && LINEAR) {
            ivec2 p0 = ivec2(floor(pos));
            vec2 t = pos - floor(pos);
            int x0 = clamp(p0.x, 0, w - 1);
            int y0 = clamp(p0.y, 0, h - 1);
            int x1 = clamp(p0.x + 1, 0, w - 1);
            int y1 = clamp(p0.y + 1, 0, h - 1);
            ivec2 g = gridCorner(x0, y0);
            vec3 r0 = gridRow(g.x, g.y);
            vec3 r1 = gridRow(g.x, g.y + 1);
            vec3 r2 = gridRow(g.x, g.y + 2);
            vec3 top = mix(demosaic(x0, y0, g, r0, r1, r2), demosaic(x1, y0, g, r0, r1, r2), t.x);
            vec3 bottom = mix(demosaic(x0, y1, g, r0, r1, r2), demosaic(x1, y1, g, r0, r1, r2), t.x);
            color = vec4(mix(top, bottom, t.y), 1.0);
        } else if (MOSAIC) {
            ivec2 p = clamp(ivec2(floor(pos + 0.5)), ivec2(0), ivec2(w - 1, h - 1));
            ivec2 g = gridCorner(p.x, p.y);
            vec3 r0 = gridRow(g.x, g.y);
            vec3 r1 = gridRow(g.x, g.y + 1);
            color = vec4(demosaic(p.x, p.y, g, r0, r1, vec3(0.0)), 1.0);
        } else if (LINEAR) {
            ivec2 p0 = ivec2(floor(pos));
            vec2 t = pos - floor(pos);
            vec3 top = mix(pixelColor(p0.x, p0.y), pixelColor(p0.x + 1, p0.y), t.x);
            vec3 bottom = mix(pixelColor(p0.x, p0.y + 1), pixelColor(p0.x + 1, p0.y + 1), t.x);
            color = vec4(mix(top, bottom, t.y), 1.0);
        } else {
            ivec2 p = ivec2(floor(pos + 0.5));
            color = vec4(pixelColor(p.x, p.y), 1.0);
        }
    }
    fragColor = color * v_Color;
}
