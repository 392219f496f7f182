#version 120
// The outline: the back faces pushed out along the normal and drawn black.
uniform mat4 worldViewProj;
uniform float thickness;

void main()
{
    gl_Position = worldViewProj * vec4(gl_Vertex.xyz + normalize(gl_Normal) * thickness, 1.0);
}
