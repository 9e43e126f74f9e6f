-- Grid: evenly spaced lines over the whole picture, for lining up samples.

function onLoad()
    addIntParameter("Columns", 2, 64, 8)
    addIntParameter("Rows", 2, 64, 6)
    addIntParameter("Line width", 1, 10, 1)
    addColorParameter("Color", 0xFF40FF40)
    addFloatParameter("Opacity", 0.1, 1.0, 0.6)
end

function onInitialize()
end

function onRender()
    local width, height = graphicsWidth(), graphicsHeight()
    local columns, rows = getIntParameter("Columns"), getIntParameter("Rows")
    setColor(getColorParameter("Color"))
    setAlpha(getFloatParameter("Opacity"))
    setLineWidth(getIntParameter("Line width"))
    for i = 1, columns - 1 do
        local x = width * i / columns
        drawLine(x, 0, x, height)
    end
    for i = 1, rows - 1 do
        local y = height * i / rows
        drawLine(0, y, width, y)
    end
end

function onClose()
end
