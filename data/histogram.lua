-- Histogram: the brightness histogram of the camera image as a small chart in
-- the bottom left corner.

function onLoad()
    addIntParameter("Width", 128, 1024, 256)
    addIntParameter("Height", 32, 512, 100)
    addColorParameter("Color", 0xFFFFFFFF)
end

function onInitialize()
end

function onRender()
    local bins = getHistogramChannelGray()
    if not bins then
        return
    end
    local chartWidth, chartHeight = getIntParameter("Width"), getIntParameter("Height")
    local left = 10
    local bottom = graphicsHeight() - 10

    local highest = 0
    for i = 1, 256 do
        if bins[i] > highest then
            highest = bins[i]
        end
    end

    setColor(0, 0, 0)
    setAlpha(0.5)
    drawFilledRect(left, bottom - chartHeight, chartWidth, chartHeight)
    setAlpha(0.9)
    setColor(getColorParameter("Color"))
    if highest > 0 then
        local barWidth = chartWidth / 256
        for i = 1, 256 do
            local barHeight = chartHeight * bins[i] / highest
            drawFilledRect(left + (i - 1) * barWidth, bottom - barHeight, barWidth, barHeight)
        end
    end
end

function onClose()
end
