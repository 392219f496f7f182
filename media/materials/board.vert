#version 120
// The frame and the table, lit per vertex in world space (both are divided finely enough for
// it); the fragment stage only textures and fades.
uniform mat4 worldViewProj;
uniform mat4 world;
uniform vec4 lightPosition;
uniform vec4 lightDiffuse;
uniform vec4 lightSpecular;
uniform vec4 ambientLight;
uniform vec4 eyePosition;
// x: the highlight's exponent, y: its strength.
uniform vec4 shininess;
varying vec3 worldPos;
varying vec2 uv;
varying vec3 light;
varying vec3 shine;

void main()
{
    gl_Position = worldViewProj * gl_Vertex;
    worldPos = (world * gl_Vertex).xyz;
    uv = gl_MultiTexCoord0.xy;
    vec3 n = normalize(mat3(world) * gl_Normal);
    vec3 toLight = lightPosition.xyz - worldPos * lightPosition.w;
    float dist = length(toLight);
    vec3 l = toLight / dist;
    vec3 toEye = eyePosition.xyz - worldPos;
    // The light fades out over the table's far parts instead of ending at its range.
    float fade = 1.0 - smoothstep(9.0, 17.0, dist);
    float d = max(dot(n, l), 0.0) * fade;
    float s = pow(max(dot(n, normalize(l + normalize(toEye))), 0.0), shininess.x);
    light = ambientLight.rgb + lightDiffuse.rgb * d;
    shine = lightSpecular.rgb * s * shininess.y * fade;

}
