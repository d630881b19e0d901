-- A headless Ardour session (luasession, Dummy backend) for the LV2 real-host check: Frakle
-- inserted plainly on an audio track that hears a constant input, the S> Gater switch on, the
-- tempo at 150 bpm; a second track records its output while the transport rolls for 4 seconds.
-- The session is saved, closed, opened again and records 4 seconds more. Prints "take PATH" for
-- the left channel of each recording. Usage: ardour7-lua ardour_session.lua DIR
local dir = arg[1]
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
backend:set_device_name("DC -6dBFS (+.5)")
backend:set_sample_rate(44100)
assert(AudioEngine:start(false) == 0, "the Dummy backend did not start")
assert(create_session(dir .. "/session", "frakle", 44100), "no session")

local tempo = Temporal.TempoMap.fetch_writable()
tempo:set_tempo(Temporal.Tempo(150, 150, 4), Temporal.timepos_t(0))
Temporal.TempoMap.update(tempo)

local track = Session:new_audio_track(1, 2, nil, 1, "Frakle", -1, ARDOUR.TrackMode.Normal, true):front()
track:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
local plugin = ARDOUR.LuaAPI.new_plugin(Session, "urn:mosko:frakle", ARDOUR.PluginType.LV2, "")
assert(not plugin:isnil(), "Ardour did not load urn:mosko:frakle")
assert(track:add_processor_by_index(plugin, 0, nil, true) == 0, "the plug-in was not inserted")
assert(ARDOUR.LuaAPI.set_processor_param(plugin, 106, 1), "no parameter 106 (S> Gater)")

local take = Session:new_audio_track(2, 2, nil, 1, "Take", -1, ARDOUR.TrackMode.Normal, false):front()
take:input():disconnect_all(nil)
take:input():audio(0):connect(track:output():audio(0):name())
take:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)

local function record(seen)
    Session:maybe_enable_record(false)
    Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
    ARDOUR.LuaAPI.usleep(4000000)
    assert(Session:actively_recording(), "the transport did not roll")
    Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
    ARDOUR.LuaAPI.usleep(1000000)
    Session:save_state("", false, false, false, false, false)
    for region in Session:route_by_name("Take"):to_track():playlist():region_list():iter() do
        local path = region:source(0):to_filesource():path()
        if path ~= seen then
            print("take " .. path)
            return path
        end
    end
end

local first = record(nil)
close_session()
assert(load_session(dir .. "/session", "frakle"), "the saved session did not open")
record(first)
close_session()
