-- Notes: the lines of the text file notes.txt, kept beside this script in the
-- scripts folder, in the top right corner of the live view, of saved images
-- and of recorded videos: a sample's name, the operator, a remark. The file
-- is read again once a second, so an edit shows up at once.

-- This script's own file, found where require looks first: the scripts folder.
local notesFile = (package.searchpath("notes", package.path) or "notes.lua"):gsub("%.lua$", ".txt")

local lines = {}
local readAt = nil

local function readNotes()
    local file = io.open(notesFile, "r")
    if not file then
        return { "Write your notes into " .. notesFile }
    end
    local result = {}
    for line in file:lines() do
        result[#result + 1] = line
    end
    file:close()
    return result
end

function onLoad()
    addIntParameter("Font size", 8, 128, 20)
    addColorParameter("Color", 0xFFFFFF80)
    addBoolParameter("Backdrop", true)
end

function onInitialize()
    lines = readNotes()
    readAt = os.time()
end

function onRender()
    if readAt ~= os.time() then
        lines = readNotes()
        readAt = os.time()
    end
    if #lines == 0 then
        return
    end
    setFont("arial.ttf", getIntParameter("Font size"))
    local width, height = 0, 0
    for _, line in ipairs(lines) do
        local w, h = textSize(line)
        width = math.max(width, w)
        height = height + h
    end
    local margin = 10
    local x, y = graphicsWidth() - width - margin, margin
    if getBoolParameter("Backdrop") then
        setColor(0, 0, 0)
        setAlpha(0.5)
        drawFilledRect(x - 4, y - 2, width + 8, height + 4)
        setAlpha(1.0)
    end
    setColor(getColorParameter("Color"))
    for _, line in ipairs(lines) do
        drawString(line, x, y)
        local _, h = textSize(line)
        y = y + h
    end
end

function onClose()
end
