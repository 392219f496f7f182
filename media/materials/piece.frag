#version 120
// The movable look of the standard pieces: each side keeps its own light or dark body, cooled
// towards blue, and a blue glow runs round the silhouette.
uniform vec4 side; // x: 0 White, 1 Black; set on every piece by the scene
uniform vec4 whiteColour;
uniform vec4 blackColour;
uniform vec4 glowColour;
uniform vec4 ambientLight;
uniform vec4 lightDiffuse;
uniform vec4 lightSpecular;
varying vec3 normal;
varying vec3 toLight;
varying vec3 toEye;

void main()
{
    vec3 n = normalize(normal);
    vec3 l = normalize(toLight);
    vec3 e = normalize(toEye);
    vec3 base = mix(whiteColour.rgb, blackColour.rgb, side.x);
    float d = max(dot(n, l), 0.0);
    float s = pow(max(dot(reflect(-l, n), e), 0.0), 48.0);
    float rim = pow(1.0 - max(dot(n, e), 0.0), 2.5);
    vec3 lit = base * (ambientLight.rgb + lightDiffuse.rgb * d) + lightSpecular.rgb * s * 0.7;
    gl_FragColor = vec4(lit + glowColour.rgb * rim * glowColour.a, 1.0);
}
