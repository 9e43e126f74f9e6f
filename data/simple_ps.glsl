// Untextured quads take the vertex colour, which carries colour and alpha.
in vec2 v_TexCoord;
in vec4 v_Color;

out vec4 fragColor;

void main()
{
    fragColor = v_Color;
}
