-- Clock: the date and time in a corner of the live view, of saved images and
-- of recorded videos.

function onLoad()
    addListParamater("Corner", "Top left", { "Top left", "Top right", "Bottom left", "Bottom right" })
    addIntParameter("Font size", 8, 128, 24)
    addColorParameter("Color", 0xFFFFFFFF)
    addBoolParameter("Backdrop", true)
end

function onInitialize()
end

function onRender()
    setFont("arial.ttf", getIntParameter("Font size"))
    local text = os.date("%Y-%m-%d  %H:%M:%S")
    local textWidth, textHeight = textSize(text)
    local margin = 10
    local x, y = margin, margin
    local corner = getListParameter("Corner")
    if corner == "Top right" or corner == "Bottom right" then
        x = graphicsWidth() - textWidth - margin
    end
    if corner == "Bottom left" or corner == "Bottom right" then
        y = graphicsHeight() - textHeight - margin
    end

    if getBoolParameter("Backdrop") then
        setColor(0, 0, 0)
        setAlpha(0.5)
        drawFilledRect(x - 4, y - 2, textWidth + 8, textHeight + 4)
        setAlpha(1.0)
    end
    setColor(getColorParameter("Color"))
    drawString(text, x, y)
end

function onClose()
end
