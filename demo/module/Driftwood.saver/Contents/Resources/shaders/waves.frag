// Driftwood: the sea. Rows of sine crests drift towards the shore; each row
// is slower and taller than the one behind it.
#version 330 core

uniform float uTime;        // seconds since the saver started
uniform float uHorizon;     // horizon height, 0 (bottom) .. 1 (top)
uniform vec3 uSea[4];       // sea bands, far to near
uniform vec4 uCrest;        // crest colour and alpha
uniform float uSpeed;       // 0.25 .. 2.0, from the options sheet

in vec2 vUV;
out vec4 fragColor;

float crest(float y, float row) {
    float len = 1.0 / (3.0 + row);
    float amp = 0.006 * (row + 1.0);
    float base = uHorizon * (0.78 - 0.2 * row);
    float wave = base + amp * sin((vUV.x + uTime * uSpeed * 0.02 * (row + 1.0)) / len * 6.2831853 + row);
    return 1.0 - smoothstep(0.0, 0.003, abs(y - wave));
}

void main() {
    if (vUV.y > uHorizon) {
        discard;
    }
    float depth = clamp(1.0 - vUV.y / uHorizon, 0.0, 0.999);
    vec3 colour = uSea[int(depth * 4.0)];
    float c = 0.0;
    for (int row = 0; row < 4; ++row) {
        c = max(c, crest(vUV.y, float(row)));
    }
    fragColor = vec4(mix(colour, uCrest.rgb, c * uCrest.a), 1.0);
}
