// Driftwood: the sky in flat bands that thin towards the horizon, and the sun.
#version 330 core

uniform float uHorizon;
uniform vec3 uSky[6];
uniform vec3 uSun;
uniform vec2 uSunCentre;
uniform float uSunRadius;
uniform bool uShowSun;

in vec2 vUV;
out vec4 fragColor;

void main() {
    if (vUV.y < uHorizon) {
        discard;
    }
    float t = (1.0 - vUV.y) / (1.0 - uHorizon);       // 0 at the top
    int band = int(clamp((1.0 - pow(1.0 - t, 1.0 / 1.6)) * 6.0, 0.0, 5.0));
    vec3 colour = uSky[band];
    if (uShowSun && distance(vUV, uSunCentre) < uSunRadius) {
        colour = uSun;
    }
    fragColor = vec4(colour, 1.0);
}
