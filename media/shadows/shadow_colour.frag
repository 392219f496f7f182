#version 120
uniform vec4 shadowColor;

void main()
{
    gl_FragColor = shadowColor;
}
