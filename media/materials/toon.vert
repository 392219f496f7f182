#version 120
// Toon shading: light and view directions in object space for the fragment stage.
uniform mat4 worldViewProj;
uniform vec4 lightPosition;
uniform vec4 eyePosition;
varying vec3 normal;
varying vec3 toLight;
varying vec3 toEye;

void main()
{
    gl_Position = worldViewProj * gl_Vertex;
    normal = gl_Normal;
    // w = 0 for a directional light: the position is then a direction.
    toLight = lightPosition.xyz - gl_Vertex.xyz * lightPosition.w;
    toEye = eyePosition.xyz - gl_Vertex.xyz;
}
