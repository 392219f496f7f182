#version 120
uniform vec4 outlineColour;

void main()
{
    gl_FragColor = outlineColour;
}
