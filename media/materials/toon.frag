#version 120
// Three flat bands of light and a hard highlight: the cartoon look of the pieces.
// Each side's colour; side.x (0 White, 1 Black) is set on every piece by the scene, so one
// material can keep both sides apart.
uniform vec4 whiteColour;
uniform vec4 blackColour;
uniform vec4 side;
uniform vec4 ambientLight;
uniform vec4 lightDiffuse;
varying vec3 normal;
varying vec3 toLight;
varying vec3 toEye;

void main()
{
    vec4 baseColour = mix(whiteColour, blackColour, side.x);
    vec3 n = normalize(normal);
    vec3 l = normalize(toLight);
    vec3 e = normalize(toEye);
    float d = max(dot(n, l), 0.0);
    float band = d > 0.75 ? 1.0 : (d > 0.35 ? 0.7 : 0.4);
    float rim = 1.0 - max(dot(n, e), 0.0);
    float highlight = pow(max(dot(reflect(-l, n), e), 0.0), 24.0) > 0.5 ? 0.25 : 0.0;
    vec3 lit = baseColour.rgb * (ambientLight.rgb * 0.6 + lightDiffuse.rgb * band);
    lit += vec3(highlight);
    lit *= 1.0 - 0.25 * smoothstep(0.6, 0.9, rim);
    gl_FragColor = vec4(lit, baseColour.a);
}
