-- Centre cross: a cross and a circle on the centre of the camera image,
-- sized in image pixels, so that it follows zoom and panning of the live view.

function onLoad()
    addIntParameter("Size", 10, 10000, 200)
    addIntParameter("Line width", 1, 20, 2)
    addColorParameter("Color", 0xFFFF3030)
    addBoolParameter("Circle", true)
end

function onInitialize()
end

function onRender()
    local width, height = deviceVideoformatSize()
    if width <= 0 or height <= 0 then
        return
    end
    EnabledRelativeCoordinates()
    local size = getIntParameter("Size")
    local cx, cy = width / 2, height / 2
    setColor(getColorParameter("Color"))
    setLineWidth(getIntParameter("Line width"))
    drawLine(cx - size / 2, cy, cx + size / 2, cy)
    drawLine(cx, cy - size / 2, cx, cy + size / 2)
    if getBoolParameter("Circle") then
        -- drawCircle takes the square whose corners lie on the circle.
        local side = size / 4 * math.sqrt(2)
        drawCircle(cx - side / 2, cy - side / 2, side, side)
    end
end

function onClose()
end
