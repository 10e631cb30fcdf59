// Loads each document the way a Bukkit server loads a plugin file (SnakeYAML, safe
// constructor) and prints it as one line of JSON: mappings as objects with their keys
// written as text (as Bukkit does), lists, text, numbers as {"number":"..."}, booleans, null,
// and other types as {"type":"..."}; or {"error":"..."} when it does not load.
// Input: one document per line, Base64 of its UTF-8 bytes.
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.util.Base64;
import java.util.List;
import java.util.Map;

import org.yaml.snakeyaml.LoaderOptions;
import org.yaml.snakeyaml.Yaml;
import org.yaml.snakeyaml.constructor.SafeConstructor;

public final class ReadBack {
    public static void main(String[] args) throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        PrintStream out = new PrintStream(System.out, true, "UTF-8");
        String line;
        while ((line = in.readLine()) != null) {
            String text = new String(Base64.getDecoder().decode(line.trim()), StandardCharsets.UTF_8);
            StringBuilder json = new StringBuilder();
            try {
                Object loaded = new Yaml(new SafeConstructor(new LoaderOptions())).load(text);
                write(json, loaded);
            } catch (Exception e) {
                json.setLength(0);
                json.append("{\"error\":");
                string(json, e.getClass().getSimpleName());
                json.append('}');
            }
            out.println(json);
        }
    }

    static void write(StringBuilder json, Object value) {
        if (value == null) {
            json.append("null");
        } else if (value instanceof Map) {
            json.append('{');
            boolean first = true;
            for (Map.Entry<?, ?> e : ((Map<?, ?>) value).entrySet()) {
                if (!first) json.append(',');
                first = false;
                string(json, String.valueOf(e.getKey()));
                json.append(':');
                write(json, e.getValue());
            }
            json.append('}');
        } else if (value instanceof List) {
            json.append('[');
            boolean first = true;
            for (Object item : (List<?>) value) {
                if (!first) json.append(',');
                first = false;
                write(json, item);
            }
            json.append(']');
        } else if (value instanceof String) {
            string(json, (String) value);
        } else if (value instanceof Number) {
            json.append("{\"number\":");
            string(json, value.toString());
            json.append('}');
        } else if (value instanceof Boolean) {
            json.append(value.toString());
        } else {
            json.append("{\"type\":");
            string(json, value.getClass().getSimpleName());
            json.append('}');
        }
    }

    static void string(StringBuilder json, String s) {
        json.append('"');
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            if (c == '"' || c == '\\') json.append('\\').append(c);
            else if (c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029)
                json.append(String.format("\\u%04x", (int) c));
            else json.append(c);
        }
        json.append('"');
    }
}
