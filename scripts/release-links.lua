-- pandoc filter of scripts/release: in an operator page, a link to another operator page (the
-- list in $PAGES, paths from the repository's top) points at its .html; every other local link
-- (a developer page, a script, a build folder, a file not in the release) becomes its text.
local pages = {}
for path in (os.getenv("PAGES") or ""):gmatch("%S+") do pages[path] = true end

local here = (PANDOC_STATE.input_files[1] or ""):match("^(.*)/") or ""

-- "docs/../README.md" -> "README.md"
local function normal(path)
  local parts = {}
  for part in path:gmatch("[^/]+") do
    if part == ".." then table.remove(parts) elseif part ~= "." then table.insert(parts, part) end
  end
  return table.concat(parts, "/")
end

function Link(link)
  local target = link.target
  if target:match("^%a[%w+.-]*:") or target:match("^#") then return nil end
  local path, anchor = target:match("^([^#]*)(#?.*)$")
  local from_top = normal(here == "" and path or here .. "/" .. path)
  if pages[from_top] and path:match("%.md$") then
    link.target = path:gsub("%.md$", ".html") .. anchor
    return link
  end
  return link.content
end
